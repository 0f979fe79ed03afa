#pragma once
// XML helpers over pugixml: building elements and attributes, reading typed values at an
// XPath relative to a node, indenting a document, and CXMLDocument, a document file that
// opens without disturbing what is loaded and saves atomically.
//
// Names, values and paths are wide text in the engine and UTF-8 inside pugixml.
//
// Values are written so they read back exactly: doubles in their shortest round-trip form
// ("0.1", "1e-300", "-0"), NaN and infinities as "NaN", "INF", "-INF"; booleans as
// "true"/"false". Readers are lenient with what older files hold: booleans "true"/"false"
// in any case or integers (0 is false, any other true, "-1" included); doubles also with a
// decimal comma ("0,5").
//
// XPaths are relative to the given node; attributes are written "@name". Simple paths
// ("@name", "child", "a/b/@name") are walked directly, since loaders read every attribute
// this way; anything else is compiled by pugixml. A path that does not compile counts as
// missing (and is logged under "XML"): XPaths may be built from user text.
#include <pugixml.hpp>

#include <concepts>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Appends a child element to an element or a document; a null node on a null parent.
pugi::xml_node AddElement(pugi::xml_node parent, std::wstring_view name);

// Sets an attribute of an element (replacing the value of one that exists, keeping its
// place). Returns the attribute; null when element is not an element.
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, std::wstring_view value);
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, const wchar_t* value);
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, const std::wstring& value);
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, bool value);
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, double value);
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, long long value);
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, unsigned long long value);
// Every other integer type (int, unsigned, std::size_t ...) without ambiguity.
template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, long long> && !std::same_as<T, unsigned long long>)
pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, T value) {
  if constexpr (std::is_signed_v<T>)
    return AddAttribute(element, name, static_cast<long long>(value));
  else
    return AddAttribute(element, name, static_cast<unsigned long long>(value));
}

// The node found at the XPath (an element, attribute or text node); empty when missing or
// when the path does not compile.
pugi::xpath_node SelectNode(pugi::xml_node node, std::wstring_view xpath);
// All nodes at the XPath in document order; empty when missing or not compiling.
pugi::xpath_node_set SelectNodes(pugi::xml_node node, std::wstring_view xpath);

// The value at the XPath: an attribute's value or the text of an element (all its text, as
// XPath's string value). The default when nothing is there or the text does not parse as
// the type; an empty attribute is an empty string, but not a number.
std::wstring GetNodeWideStringValue(pugi::xml_node node, std::wstring_view xpath, std::wstring_view def = {});
int GetNodeIntValue(pugi::xml_node node, std::wstring_view xpath, int def = 0);
double GetNodeDoubleValue(pugi::xml_node node, std::wstring_view xpath, double def = 0.0);
bool GetNodeBoolValue(pugi::xml_node node, std::wstring_view xpath, bool def = false);

// Text of an XPath string literal holding `text` exactly, for paths built from user text:
// 'a' or "it's", and concat('a', "'", 'b') when both quotes occur.
std::wstring XPathLiteral(std::wstring_view text);

// The element behind a node: an element itself, the owner of an attribute, the parent of a
// text node, the document element of a document. Null for null.
pugi::xml_node GetElement(const pugi::xpath_node& node);
// The first child element `name` of GetElement(node), appended when there is none. `name`
// may be a path of plain names ("a/b"); every missing step is created.
pugi::xml_node GetElementOrCreate(const pugi::xpath_node& node, std::wstring_view name);

// Indents the subtree of `node` (a document or an element) in place, so that it is saved
// as a readable file: every child element starts on a new line (`newline`), indented by
// `indent` once per level of depth; earlier indentation is replaced. Elements holding text
// of their own keep their content as it is, so no text value changes.
void FormatNode(pugi::xml_node node, std::wstring_view newline = L"\n", std::wstring_view indent = L"\t");

// What opening or saving a document gave, modelled on pugixml's xml_parse_result.
enum EXmlStatus {
  xsOk = 0,
  xsFileNotFound,       // no file at the path
  xsIoError,            // the file could not be read or written
  xsParseError,         // not well-formed XML; offset, line and column tell where
  xsNoDocumentElement,  // well-formed but without a root element (e.g. an empty file)
  xsOutOfMemory,
};

struct SXmlResult {
  EXmlStatus status = xsOk;
  std::ptrdiff_t offset = 0;  // byte offset in the text where parsing stopped
  int line = 0;               // 1-based line and column of that offset (parse errors)
  int column = 0;
  std::wstring description;   // English technical text for the log

  explicit operator bool() const { return status == xsOk; }
};

class CXMLDocument {
 public:
  CXMLDocument();
  ~CXMLDocument();
  CXMLDocument(const CXMLDocument&) = delete;
  CXMLDocument& operator=(const CXMLDocument&) = delete;

  // Reads and parses a file. On failure the document held so far stays as it was and the
  // failure is logged under "XML".
  SXmlResult Open(const std::wstring& path);
  // Parses UTF-8 text; on failure the document held so far stays as it was.
  SXmlResult LoadString(std::string_view text);

  pugi::xml_document& Doc() { return *doc_; }
  const pugi::xml_document& Doc() const { return *doc_; }
  // Path of the last successful Open or Save; empty after Close or LoadString.
  const std::wstring& Path() const { return path_; }

  // Writes the document to a file atomically (temporary file beside it, flushed to the
  // disk, then renamed over it): a failed save leaves the old file as it was. The text is
  // written as the document holds it (indent it first with FormatNode), in UTF-8, with an
  // XML declaration when the document has none, ending with a line break.
  SXmlResult Save(const std::wstring& path);
  // Saves to Path().
  SXmlResult Save() { return Save(path_); }
  // The text Save would write.
  std::string SaveString() const;

  // Forgets the document and its path; Doc() is then an empty document.
  void Close();

 private:
  std::unique_ptr<pugi::xml_document> doc_;
  std::wstring path_;
};
