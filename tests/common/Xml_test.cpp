#include <gtest/gtest.h>

#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "common/AtomicFile.h"
#include "common/Text.h"
#include "common/Xml.h"
#include "support/Capture.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

bool HasTempFiles(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().find(".tmp-") != std::string::npos) return true;
  return false;
}

}  // namespace

TEST(Xml, ValuesReadBackExactlyAfterSaveAndLoad) {
  const double values[] = {0.1, 1e-300, -0.0, 1.0 / 3.0, -80.12345678901234, 4.9e-324,
                           std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  CXMLDocument source;
  pugi::xml_node root = AddElement(source.Doc(), L"корень");
  pugi::xml_node list = AddElement(root, L"values");
  for (const double v : values) AddAttribute(AddElement(list, L"v"), L"x", v);
  AddAttribute(root, L"nan", std::numeric_limits<double>::quiet_NaN());
  AddAttribute(root, L"name", L"Трс 1 <\"&'>");
  AddAttribute(root, L"count", -42);
  AddAttribute(root, L"size", std::size_t{7});
  AddAttribute(root, L"on", true);
  AddAttribute(root, L"count", 5);  // replaces, does not duplicate
  EXPECT_EQ(std::distance(root.attributes_begin(), root.attributes_end()), 5);

  CXMLDocument copy;
  ASSERT_TRUE(copy.LoadString(source.SaveString()));
  const pugi::xml_node r = copy.Doc().document_element();
  std::size_t i = 0;
  for (pugi::xml_node v : r.child("values").children("v")) {
    const double read = GetNodeDoubleValue(v, L"@x", 99);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(read), std::bit_cast<std::uint64_t>(values[i]))
        << values[i] << " read as " << read;
    ++i;
  }
  EXPECT_EQ(i, std::size(values));
  EXPECT_TRUE(std::isnan(GetNodeDoubleValue(r, L"@nan", 0)));
  EXPECT_STREQ(r.attribute("nan").value(), "NaN");
  EXPECT_EQ(GetNodeWideStringValue(r, L"@name"), L"Трс 1 <\"&'>");
  EXPECT_EQ(GetNodeIntValue(r, L"@count", 0), 5);
  EXPECT_EQ(GetNodeIntValue(r, L"@size", 0), 7);
  EXPECT_TRUE(GetNodeBoolValue(r, L"@on", false));
}

TEST(Xml, ReadersFallBackToTheDefaultAndReadLeniently) {
  CXMLDocument doc;
  ASSERT_TRUE(doc.LoadString(
      "<root b1='TRUE' b2='False' b3='0' b4='-1' b5='yes' i1=' +12 ' i2='1.5' i3='99999999999' e=''"
      " d1='0,25' d2=' 2.5e3 '>"
      "<a/><a><b c='second'/></a><a><b c='third'/></a>"
      "<text>one <i>two</i> three</text>"
      "<presetList><preset description=\"it's\" expression='A-B'/>"
      "<preset description='say &quot;hi&quot; it&apos;s' expression='A+B'/></presetList></root>"));
  const pugi::xml_node root = doc.Doc().document_element();

  EXPECT_TRUE(GetNodeBoolValue(root, L"@b1", false));
  EXPECT_FALSE(GetNodeBoolValue(root, L"@b2", true));
  EXPECT_FALSE(GetNodeBoolValue(root, L"@b3", true));
  EXPECT_TRUE(GetNodeBoolValue(root, L"@b4", false));
  EXPECT_TRUE(GetNodeBoolValue(root, L"@b5", true));  // not a boolean: the default
  EXPECT_FALSE(GetNodeBoolValue(root, L"@b5", false));
  EXPECT_EQ(GetNodeIntValue(root, L"@i1", 0), 12);
  EXPECT_EQ(GetNodeIntValue(root, L"@i2", -1), -1);
  EXPECT_EQ(GetNodeIntValue(root, L"@i3", -1), -1);
  EXPECT_EQ(GetNodeIntValue(root, L"@e", -1), -1);
  EXPECT_EQ(GetNodeWideStringValue(root, L"@e", L"default"), L"");
  EXPECT_EQ(GetNodeWideStringValue(root, L"@missing", L"default"), L"default");
  EXPECT_DOUBLE_EQ(GetNodeDoubleValue(root, L"@d1", 0), 0.25);
  EXPECT_DOUBLE_EQ(GetNodeDoubleValue(root, L"@d2", 0), 2500);
  EXPECT_EQ(GetNodeIntValue(pugi::xml_node(), L"@i1", 3), 3);

  // The first match in document order, although the first <a> has no <b>.
  EXPECT_EQ(GetNodeWideStringValue(root, L"a/b/@c"), L"second");
  EXPECT_EQ(GetNodeWideStringValue(root, L"text"), L"one two three");
  EXPECT_EQ(GetNodeIntValue(root, L"count(a)", 0), 3);
  EXPECT_EQ(GetNodeWideStringValue(root, L"presetList/preset[@description=" + XPathLiteral(L"it's") + L"]/@expression"),
            L"A-B");
  EXPECT_EQ(GetNodeWideStringValue(root, L"presetList/preset[@description=" + XPathLiteral(L"say \"hi\" it's") +
                                             L"]/@expression"),
            L"A+B");
  EXPECT_EQ(SelectNodes(root, L"a").size(), 3u);

  LogCapture log;
  EXPECT_EQ(GetNodeWideStringValue(root, L"presetList/preset[@description='it's']/@expression", L"none"), L"none");
  EXPECT_FALSE(SelectNode(root, L"///"));
  EXPECT_TRUE(log.Saw(L"XML", L"'it's'"));
  EXPECT_TRUE(log.Saw(L"XML", L"///"));
}

TEST(Xml, ElementsBehindNodesAndCreatedOnDemand) {
  CXMLDocument doc;
  EXPECT_FALSE(GetElement(doc.Doc()));
  pugi::xml_node root = GetElementOrCreate(doc.Doc(), L"presetList");
  EXPECT_EQ(GetElementOrCreate(doc.Doc(), L"presetList"), root);
  EXPECT_EQ(GetElement(doc.Doc()), root);

  pugi::xml_node leaf = GetElementOrCreate(root, L"a/b");
  EXPECT_EQ(leaf, root.child("a").child("b"));
  EXPECT_EQ(GetElementOrCreate(root, L"a/b"), leaf);
  AddAttribute(leaf, L"x", 1);
  leaf.text().set("text");
  EXPECT_EQ(GetElement(leaf.first_child()), leaf);
  EXPECT_EQ(GetElementOrCreate(SelectNode(root, L"a/b/@x"), L"c").parent(), leaf);

  AssertCapture asserts;
  EXPECT_FALSE(AddAttribute(pugi::xml_node(), L"x", 1));
  EXPECT_FALSE(AddElement(pugi::xml_node(), L"x"));
  EXPECT_EQ(asserts.Count(), 2u);
}

TEST(Xml, FormatNodeIndentsOnceAndKeepsText) {
  CXMLDocument doc;
  ASSERT_TRUE(doc.LoadString("<markerPreset compact='true'><markerList><marker id='0'/><marker id='1'>"
                             "<name> keep  this </name><mixed>a<b/>c</mixed></marker></markerList><empty/>"
                             "</markerPreset>"));
  FormatNode(doc.Doc(), L"\n", L"\t");
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<markerPreset compact=\"true\">\n"
      "\t<markerList>\n"
      "\t\t<marker id=\"0\"/>\n"
      "\t\t<marker id=\"1\">\n"
      "\t\t\t<name> keep  this </name>\n"
      "\t\t\t<mixed>a<b/>c</mixed>\n"
      "\t\t</marker>\n"
      "\t</markerList>\n"
      "\t<empty/>\n"
      "</markerPreset>\n";
  EXPECT_EQ(doc.SaveString(), expected);
  FormatNode(doc.Doc(), L"\n", L"\t");
  EXPECT_EQ(doc.SaveString(), expected);

  // A subtree is indented for its depth; other indents replace the earlier ones.
  pugi::xml_node list = doc.Doc().document_element().child("markerList");
  AddElement(list.child("marker"), L"new");
  FormatNode(list, L"\r\n", L"  ");
  EXPECT_NE(doc.SaveString().find("<marker id=\"0\">\r\n      <new/>\r\n    </marker>"), std::string::npos);
  EXPECT_EQ(GetNodeWideStringValue(doc.Doc(), L"markerPreset/markerList/marker/name"), L" keep  this ");
}

TEST(XMLDocument, OpenFailuresKeepTheDocumentInForce) {
  const fs::path dir = FreshDir("xml-open");
  WriteFileAtomically((dir / "good.xml").string(),
                      "<presetList><preset description='d' expression='A-B'/></presetList>");
  WriteFileAtomically((dir / "bad.xml").string(), "<presetList>\n  <preset description='d'>\n</presetList>");
  WriteFileAtomically((dir / "empty.xml").string(), "");

  CXMLDocument doc;
  ASSERT_TRUE(doc.Open((dir / "good.xml").wstring()));
  LogCapture log;
  const SXmlResult bad = doc.Open((dir / "bad.xml").wstring());
  EXPECT_EQ(bad.status, xsParseError);
  EXPECT_EQ(bad.line, 3);
  EXPECT_GT(bad.offset, 0);
  EXPECT_FALSE(bad.description.empty());
  EXPECT_TRUE(log.Saw(L"XML", L"bad.xml"));
  EXPECT_EQ(doc.Open((dir / "missing.xml").wstring()).status, xsFileNotFound);
  EXPECT_EQ(doc.Open((dir / "empty.xml").wstring()).status, xsNoDocumentElement);
  EXPECT_EQ(doc.Open(dir.wstring()).status, xsIoError);
  EXPECT_EQ(GetNodeWideStringValue(doc.Doc(), L"presetList/preset/@expression"), L"A-B");
  EXPECT_EQ(doc.Path(), (dir / "good.xml").wstring());

  doc.Close();
  EXPECT_FALSE(doc.Doc().first_child());
  EXPECT_TRUE(doc.Path().empty());
}

TEST(XMLDocument, SaveIsAtomic) {
  const fs::path dir = FreshDir("xml-save");
  const fs::path target = dir / "MathPreset.xml";
  WriteFileAtomically(target.string(), "old");
  ::chmod(target.c_str(), 0640);

  CXMLDocument doc;
  AddAttribute(AddElement(GetElementOrCreate(doc.Doc(), L"presetList"), L"preset"), L"expression", L"A-B");
  FormatNode(doc.Doc(), L"\n", L"\t");
  ASSERT_TRUE(doc.Save(target.wstring()));
  EXPECT_EQ(ReadWholeFile(target.string()).View(), doc.SaveString());
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(doc.Path(), target.wstring());
  EXPECT_FALSE(HasTempFiles(dir));

  // Failures: the target is a folder, the folder is missing. Nothing else changes.
  LogCapture log;
  fs::create_directory(dir / "folder.xml");
  EXPECT_EQ(doc.Save((dir / "folder.xml").wstring()).status, xsIoError);
  EXPECT_EQ(doc.Save((dir / "missing" / "x.xml").wstring()).status, xsIoError);
  EXPECT_TRUE(log.Saw(L"XML", L"folder.xml"));
  EXPECT_TRUE(fs::is_directory(dir / "folder.xml"));
  EXPECT_FALSE(HasTempFiles(dir));
  EXPECT_EQ(doc.Path(), target.wstring());
}
