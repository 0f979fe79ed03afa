#include "common/Xml.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/Assert.h"
#include "common/AtomicFile.h"
#include "common/Log.h"
#include "common/Text.h"

namespace {

constexpr std::wstring_view kLogSource = L"XML";

// UTF-8 of a short wide text in a stack buffer, so that reading an attribute allocates
// nothing; longer texts go to a string.
class CUtf8 {
 public:
  explicit CUtf8(std::wstring_view text) {
    std::size_t n = 0;
    for (const wchar_t wc : text) {
      const auto c = static_cast<char32_t>(wc);
      const std::size_t need = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
      if (n + need >= sizeof(buffer_)) {
        long_ = WideToUtf8(text);
        view_ = long_;
        return;
      }
      if (need == 1) {
        buffer_[n++] = static_cast<char>(c);
      } else if (need == 2) {
        buffer_[n++] = static_cast<char>(0xC0 | (c >> 6));
        buffer_[n++] = static_cast<char>(0x80 | (c & 0x3F));
      } else if (need == 3) {
        buffer_[n++] = static_cast<char>(0xE0 | (c >> 12));
        buffer_[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buffer_[n++] = static_cast<char>(0x80 | (c & 0x3F));
      } else {
        buffer_[n++] = static_cast<char>(0xF0 | (c >> 18));
        buffer_[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buffer_[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buffer_[n++] = static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    buffer_[n] = '\0';
    view_ = std::string_view(buffer_, n);
  }
  CUtf8(const CUtf8&) = delete;
  CUtf8& operator=(const CUtf8&) = delete;

  std::string_view View() const { return view_; }
  const char* CStr() const { return view_.data(); }  // NUL-terminated in both cases

 private:
  char buffer_[128];
  std::string long_;
  std::string_view view_;
};

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsXmlSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsXmlSpace(s.back())) s.remove_suffix(1);
  return s;
}

// A plain name step of a path: what the direct walk understands. Bytes of multi-byte
// UTF-8 characters count as name characters (Cyrillic element names).
bool IsPlainName(std::string_view s) {
  if (s.empty()) return false;
  const auto first = static_cast<unsigned char>(s.front());
  if (first == '-' || first == '.' || (first >= '0' && first <= '9')) return false;
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    const bool ok = c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

// Child steps in child order visit matches in document order, so the first hit is the one
// XPath would select.
// A name equal to the step, without measuring the name first.
bool SameName(std::string_view step, const char* name) {
  return std::strncmp(name, step.data(), step.size()) == 0 && name[step.size()] == '\0';
}

pugi::xpath_node WalkSimple(pugi::xml_node node, const std::string_view* steps, std::size_t count,
                            bool lastIsAttribute) {
  if (count == 1 && lastIsAttribute) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
      if (SameName(steps[0], a.name())) return pugi::xpath_node(a, node);
    return {};
  }
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element || !SameName(steps[0], child.name())) continue;
    if (count == 1) return child;
    if (pugi::xpath_node found = WalkSimple(child, steps + 1, count - 1, lastIsAttribute)) return found;
  }
  return {};
}

// Few enough steps to stay on the stack for the paths loaders use.
pugi::xpath_node FindSimple(pugi::xml_node node, std::string_view path, bool& simple) {
  std::string_view steps[8];
  std::size_t count = 0;
  bool lastIsAttribute = false;
  simple = false;
  std::size_t start = 0;
  for (;;) {
    if (count == std::size(steps)) return {};
    const std::size_t slash = path.find('/', start);
    const bool last = slash == std::string_view::npos;
    std::string_view step = path.substr(start, last ? std::string_view::npos : slash - start);
    if (!step.empty() && step.front() == '@') {
      if (!last) return {};
      step.remove_prefix(1);
      lastIsAttribute = true;
    }
    if (!IsPlainName(step)) return {};
    steps[count++] = step;
    if (last) break;
    start = slash + 1;
  }
  simple = true;
  return WalkSimple(node, steps, count, lastIsAttribute);
}

// The result of a lookup: a view into the document where possible, otherwise into `owned`.
struct SFoundValue {
  bool found = false;
  std::string_view text;
  std::string owned;
};

void AppendDescendantText(pugi::xml_node node, std::string& out) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      out += child.value();
    else if (child.type() == pugi::node_element)
      AppendDescendantText(child, out);
  }
}

void NodeText(const pugi::xpath_node& found, SFoundValue& out) {
  out.found = true;
  if (found.attribute()) {
    out.text = found.attribute().value();
    return;
  }
  const pugi::xml_node node = found.node();
  if (node.type() != pugi::node_element && node.type() != pugi::node_document) {
    out.text = node.value();
    return;
  }
  const pugi::xml_node first = node.first_child();
  if (!first) {
    out.text = {};
  } else if (!first.next_sibling() && (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata)) {
    out.text = first.value();
  } else {
    AppendDescendantText(node, out.owned);
    out.text = out.owned;
  }
}

void LogBadXPath(std::string_view path, const char* why) {
  LogMessage(kLogSource, L"XPath \"" + Utf8ToWide(path) + L"\" is not valid: " + Utf8ToWide(why), true);
}

// "@name" with a plain ASCII name, the commonest path by far: the attribute is found by
// comparing its name with the wide path directly, with nothing converted or parsed.
bool IsAttributePath(std::wstring_view xpath) {
  if (xpath.size() < 2 || xpath.front() != L'@') return false;
  const wchar_t first = xpath[1];
  if (first == L'-' || first == L'.' || (first >= L'0' && first <= L'9')) return false;
  for (const wchar_t c : xpath.substr(1)) {
    const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
                    c == L'-' || c == L'.';
    if (!ok) return false;
  }
  return true;
}

void LookUpAttribute(pugi::xml_node node, std::wstring_view name, SFoundValue& out) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const char* candidate = a.name();
    std::size_t k = 0;
    while (k < name.size() && candidate[k] == static_cast<char>(name[k])) ++k;
    if (k == name.size() && candidate[k] == '\0') {
      out.found = true;
      out.text = a.value();
      return;
    }
  }
}

void LookUp(pugi::xml_node node, std::wstring_view xpath, SFoundValue& out) {
  if (!node) return;
  if (IsAttributePath(xpath)) {
    LookUpAttribute(node, xpath.substr(1), out);
    return;
  }
  const CUtf8 path(xpath);
  bool simple = false;
  const pugi::xpath_node hit = FindSimple(node, path.View(), simple);
  if (simple) {
    if (hit) NodeText(hit, out);
    return;
  }
  try {
    const pugi::xpath_query query(path.CStr());
    if (query.return_type() == pugi::xpath_type_node_set) {
      if (const pugi::xpath_node found = query.evaluate_node(node)) NodeText(found, out);
    } else {
      // A computed value ("count(x)", "string(@a)") is there by definition.
      out.owned = query.evaluate_string(node);
      out.text = out.owned;
      out.found = true;
    }
  } catch (const pugi::xpath_exception& e) {
    LogBadXPath(path.View(), e.what());
  }
}

bool ParseInt(std::string_view text, int& value) {
  text = Trim(text);
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseDouble(std::string_view text, double& value) {
  text = Trim(text);
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  if (text.empty()) return false;
  const char* last = text.data() + text.size();
  auto [end, ec] = std::from_chars(text.data(), last, value);
  if (ec == std::errc() && end == last) return true;
  // Decimal comma of files written under a Russian locale.
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos ||
      text.find('.') != std::string_view::npos || text.size() >= 64)
    return false;
  char buffer[64];
  std::memcpy(buffer, text.data(), text.size());
  buffer[comma] = '.';
  auto [end2, ec2] = std::from_chars(buffer, buffer + text.size(), value);
  return ec2 == std::errc() && end2 == buffer + text.size();
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != b[i]) return false;
  }
  return true;
}

bool ParseBool(std::string_view text, bool& value) {
  text = Trim(text);
  if (EqualsNoCase(text, "true")) {
    value = true;
    return true;
  }
  if (EqualsNoCase(text, "false")) {
    value = false;
    return true;
  }
  int number = 0;
  if (!ParseInt(text, number)) return false;
  value = number != 0;
  return true;
}

pugi::xml_attribute SetAttribute(pugi::xml_node element, std::wstring_view name, std::string_view value) {
  if (!PV_ASSERT(element.type() == pugi::node_element)) return {};
  const CUtf8 utf8Name(name);
  pugi::xml_attribute attribute = element.attribute(utf8Name.CStr());
  if (!attribute) attribute = element.append_attribute(utf8Name.CStr());
  attribute.set_value(value.data(), value.size());
  return attribute;
}

bool IsWhitespaceText(pugi::xml_node node) {
  if (node.type() != pugi::node_pcdata) return false;
  for (const char* p = node.value(); *p; ++p)
    if (!IsXmlSpace(*p)) return false;
  return true;
}

bool HoldsOwnText(pugi::xml_node element) {
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_cdata || (child.type() == pugi::node_pcdata && !IsWhitespaceText(child)))
      return true;
  return false;
}

void RemoveWhitespaceText(pugi::xml_node node) {
  for (pugi::xml_node child = node.first_child(); child;) {
    const pugi::xml_node next = child.next_sibling();
    if (IsWhitespaceText(child)) node.remove_child(child);
    child = next;
  }
}

class CIndenter {
 public:
  CIndenter(std::wstring_view newline, std::wstring_view indent)
      : newline_(WideToUtf8(newline)), indent_(WideToUtf8(indent)) {}

  void Element(pugi::xml_node element, int depth) {
    if (HoldsOwnText(element)) return;
    RemoveWhitespaceText(element);
    if (!element.first_child()) return;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
      element.insert_child_before(pugi::node_pcdata, child).set_value(Line(depth + 1).c_str());
      if (child.type() == pugi::node_element) Element(child, depth + 1);
    }
    element.append_child(pugi::node_pcdata).set_value(Line(depth).c_str());
  }

  void Document(pugi::xml_node document) {
    RemoveWhitespaceText(document);
    for (pugi::xml_node child = document.first_child(); child; child = child.next_sibling()) {
      if (child != document.first_child())
        document.insert_child_before(pugi::node_pcdata, child).set_value(newline_.c_str());
      if (child.type() == pugi::node_element) Element(child, 0);
    }
    if (document.first_child()) document.append_child(pugi::node_pcdata).set_value(newline_.c_str());
  }

 private:
  const std::string& Line(int depth) {
    while (static_cast<int>(lines_.size()) <= depth) {
      std::string line = newline_;
      for (std::size_t i = 0; i < lines_.size(); ++i) line += indent_;
      lines_.push_back(std::move(line));
    }
    return lines_[static_cast<std::size_t>(depth)];
  }

  std::string newline_;
  std::string indent_;
  std::vector<std::string> lines_;
};

// Writes the document text through any byte sink, adding the declaration when the document
// has none and a final line break.
template <typename Sink>
class CDocumentWriter : public pugi::xml_writer {
 public:
  explicit CDocumentWriter(Sink& sink) : sink_(sink) {}
  void write(const void* data, std::size_t size) override {
    if (size == 0) return;
    sink_(data, size);
    last_ = static_cast<const char*>(data)[size - 1];
  }
  void Run(const pugi::xml_document& doc) {
    if (!HasDeclaration(doc)) {
      static constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
      write(kDeclaration.data(), kDeclaration.size());
    }
    doc.save(*this, PUGIXML_TEXT(""), pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    if (last_ != '\n') write("\n", 1);
  }

 private:
  static bool HasDeclaration(const pugi::xml_document& doc) {
    for (pugi::xml_node child = doc.first_child(); child; child = child.next_sibling()) {
      if (IsWhitespaceText(child)) continue;
      return child.type() == pugi::node_declaration ||
             (child.type() == pugi::node_pi && std::strcmp(child.name(), "xml") == 0);
    }
    return false;
  }

  Sink& sink_;
  char last_ = '\n';
};

EXmlStatus StatusOf(pugi::xml_parse_status status) {
  switch (status) {
    case pugi::status_ok: return xsOk;
    case pugi::status_file_not_found: return xsFileNotFound;
    case pugi::status_io_error: return xsIoError;
    case pugi::status_out_of_memory:
    case pugi::status_internal_error: return xsOutOfMemory;
    case pugi::status_no_document_element: return xsNoDocumentElement;
    default: return xsParseError;
  }
}

// Line and column (in characters) of a byte offset of UTF-8 text.
void Locate(std::string_view text, std::ptrdiff_t offset, int& line, int& column) {
  line = 1;
  column = 1;
  const auto end = std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset, 0)), text.size());
  for (std::size_t i = 0; i < end; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      column = 1;
    } else if ((c & 0xC0) != 0x80) {
      ++column;
    }
  }
}

SXmlResult Parse(std::string_view text, std::unique_ptr<pugi::xml_document>& into) {
  auto doc = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result parsed = doc->load_buffer(
      text.data(), text.size(), pugi::parse_default | pugi::parse_declaration | pugi::parse_comments);
  SXmlResult result;
  result.status = StatusOf(parsed.status);
  result.offset = parsed.offset;
  if (result.status != xsOk) {
    result.description = Utf8ToWide(parsed.description());
    if (result.status == xsParseError) {
      Locate(text, parsed.offset, result.line, result.column);
      result.description += L" at line " + std::to_wstring(result.line) + L", column " + std::to_wstring(result.column);
    }
    return result;
  }
  // The text is Unicode in memory and saved as UTF-8, so the declaration must say so.
  for (pugi::xml_node child = doc->first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_declaration) continue;
    if (pugi::xml_attribute encoding = child.attribute("encoding")) encoding.set_value("utf-8");
    break;
  }
  into = std::move(doc);
  return result;
}

}  // namespace

pugi::xml_node AddElement(pugi::xml_node parent, std::wstring_view name) {
  if (!PV_ASSERT(parent.type() == pugi::node_element || parent.type() == pugi::node_document)) return {};
  const CUtf8 utf8Name(name);
  return parent.append_child(utf8Name.CStr());
}

pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, std::wstring_view value) {
  return SetAttribute(element, name, WideToUtf8(value));
}

pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, const wchar_t* value) {
  return AddAttribute(element, name, std::wstring_view(value ? value : L""));
}

pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, const std::wstring& value) {
  return AddAttribute(element, name, std::wstring_view(value));
}

pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, bool value) {
  return SetAttribute(element, name, value ? "true" : "false");
}

pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, double value) {
  if (std::isnan(value)) return SetAttribute(element, name, "NaN");
  if (std::isinf(value)) return SetAttribute(element, name, value > 0 ? "INF" : "-INF");
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return SetAttribute(element, name, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, long long value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return SetAttribute(element, name, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

pugi::xml_attribute AddAttribute(pugi::xml_node element, std::wstring_view name, unsigned long long value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return SetAttribute(element, name, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

pugi::xpath_node SelectNode(pugi::xml_node node, std::wstring_view xpath) {
  if (!node) return {};
  const CUtf8 path(xpath);
  bool simple = false;
  const pugi::xpath_node hit = FindSimple(node, path.View(), simple);
  if (simple) return hit;
  try {
    const pugi::xpath_query query(path.CStr());
    if (query.return_type() == pugi::xpath_type_node_set) return query.evaluate_node(node);
  } catch (const pugi::xpath_exception& e) {
    LogBadXPath(path.View(), e.what());
  }
  return {};
}

pugi::xpath_node_set SelectNodes(pugi::xml_node node, std::wstring_view xpath) {
  if (!node) return {};
  const CUtf8 path(xpath);
  try {
    const pugi::xpath_query query(path.CStr());
    if (query.return_type() == pugi::xpath_type_node_set) {
      pugi::xpath_node_set nodes = query.evaluate_node_set(node);
      nodes.sort();
      return nodes;
    }
  } catch (const pugi::xpath_exception& e) {
    LogBadXPath(path.View(), e.what());
  }
  return {};
}

std::wstring GetNodeWideStringValue(pugi::xml_node node, std::wstring_view xpath, std::wstring_view def) {
  SFoundValue value;
  LookUp(node, xpath, value);
  return value.found ? Utf8ToWide(value.text) : std::wstring(def);
}

int GetNodeIntValue(pugi::xml_node node, std::wstring_view xpath, int def) {
  SFoundValue value;
  LookUp(node, xpath, value);
  int result = 0;
  return value.found && ParseInt(value.text, result) ? result : def;
}

double GetNodeDoubleValue(pugi::xml_node node, std::wstring_view xpath, double def) {
  SFoundValue value;
  LookUp(node, xpath, value);
  double result = 0;
  return value.found && ParseDouble(value.text, result) ? result : def;
}

bool GetNodeBoolValue(pugi::xml_node node, std::wstring_view xpath, bool def) {
  SFoundValue value;
  LookUp(node, xpath, value);
  bool result = false;
  return value.found && ParseBool(value.text, result) ? result : def;
}

std::wstring XPathLiteral(std::wstring_view text) {
  if (text.find(L'\'') == std::wstring_view::npos) return L"'" + std::wstring(text) + L"'";
  if (text.find(L'"') == std::wstring_view::npos) return L"\"" + std::wstring(text) + L"\"";
  std::wstring out = L"concat(";
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    const std::size_t quote = text.find(L'\'', start);
    if (quote != start) {
      const std::size_t end = quote == std::wstring_view::npos ? text.size() : quote;
      out += (first ? L"'" : L", '") + std::wstring(text.substr(start, end - start)) + L"'";
      first = false;
      start = end;
      continue;
    }
    out += first ? L"\"'\"" : L", \"'\"";
    first = false;
    ++start;
  }
  return out + L")";
}

pugi::xml_node GetElement(const pugi::xpath_node& node) {
  if (node.attribute()) return node.parent();
  const pugi::xml_node n = node.node();
  switch (n.type()) {
    case pugi::node_null: return {};
    case pugi::node_element: return n;
    case pugi::node_document:
      for (pugi::xml_node child = n.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element) return child;
      return {};
    default: return n.parent().type() == pugi::node_element ? n.parent() : pugi::xml_node();
  }
}

pugi::xml_node GetElementOrCreate(const pugi::xpath_node& node, std::wstring_view name) {
  // A document's own child is its root element: GetElementOrCreate(doc, "presetList")
  // finds or creates the root.
  pugi::xml_node current = node.node().type() == pugi::node_document ? node.node() : GetElement(node);
  if (!PV_ASSERT(current)) return {};
  const std::string path = WideToUtf8(name);
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    const std::string step = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!step.empty()) {
      pugi::xml_node child = current.child(step.c_str());
      current = child ? child : current.append_child(step.c_str());
    }
    if (slash == std::string::npos) return current;
    start = slash + 1;
  }
}

void FormatNode(pugi::xml_node node, std::wstring_view newline, std::wstring_view indent) {
  CIndenter indenter(newline, indent);
  if (node.type() == pugi::node_document) {
    indenter.Document(node);
  } else if (node.type() == pugi::node_element) {
    int depth = 0;
    for (pugi::xml_node p = node.parent(); p && p.type() == pugi::node_element; p = p.parent()) ++depth;
    indenter.Element(node, depth);
  }
}

CXMLDocument::CXMLDocument() : doc_(std::make_unique<pugi::xml_document>()) {}

CXMLDocument::~CXMLDocument() = default;

SXmlResult CXMLDocument::Open(const std::wstring& path) {
  const SFileBytes file = ReadWholeFile(WideToUtf8(path));
  SXmlResult result;
  if (file.error != 0) {
    result.status = file.error == ENOENT ? xsFileNotFound : xsIoError;
    result.description = Utf8ToWide(std::strerror(file.error));
  } else {
    result = Parse(file.View(), doc_);
  }
  if (result) {
    path_ = path;
  } else {
    LogMessage(kLogSource, L"Cannot open \"" + path + L"\": " + result.description, true);
  }
  return result;
}

SXmlResult CXMLDocument::LoadString(std::string_view text) {
  SXmlResult result = Parse(text, doc_);
  if (result) path_.clear();
  return result;
}

SXmlResult CXMLDocument::Save(const std::wstring& path) {
  SXmlResult result;
  CAtomicFile file;
  if (file.Open(WideToUtf8(path))) {
    auto sink = [&file](const void* data, std::size_t size) { file.Write(data, size); };
    CDocumentWriter<decltype(sink)> writer(sink);
    writer.Run(*doc_);
    if (file.Commit()) {
      path_ = path;
      return result;
    }
  }
  result.status = xsIoError;
  result.description = Utf8ToWide(file.ErrorText());
  LogMessage(kLogSource, L"Cannot save \"" + path + L"\": " + result.description, true);
  return result;
}

std::string CXMLDocument::SaveString() const {
  std::string text;
  auto sink = [&text](const void* data, std::size_t size) { text.append(static_cast<const char*>(data), size); };
  CDocumentWriter<decltype(sink)> writer(sink);
  writer.Run(*doc_);
  return text;
}

void CXMLDocument::Close() {
  doc_ = std::make_unique<pugi::xml_document>();
  path_.clear();
}
