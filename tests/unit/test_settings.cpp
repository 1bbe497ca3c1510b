#include "AppFixture.h"
#include "support/TestSupport.h"
#include "support/Vsupport1.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {

std::string Lead(const std::string& path, const char* key)
{
    cPARAMBASE2 settings(path, "SealQueue");
    if (!settings.BaseNode())
        return "<no base>";
    return cPARAMNODE(settings.BaseNode().child(key)).GetValue("TempVImg");
}

std::string Utf16Le(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], units);
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    return bytes;
}

const char kSample[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!-- the spooler's settings -->\r\n"
    "<SealQueue>\r\n"
    "  <Other><TempVImg>not this</TempVImg></Other>\r\n"
    "  <Lead>\r\n"
    "    <tempvimg>wrong case</tempvimg>\r\n"
    "    <TempVImg> D:\\Lead1 </TempVImg>\r\n"
    "    <TempVImg>second</TempVImg>\r\n"
    "  </Lead>\r\n"
    "  <Lead>\r\n"
    "    <TempVImg>second Lead</TempVImg>\r\n"
    "  </Lead>\r\n"
    "  <Lead2><TempVImg>C:\\\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 &amp; &lt;Print&gt; &#x41;</TempVImg></Lead2>\r\n"
    "</SealQueue>\r\n";

// The Greek of the sample in the system's code page: exact on a Greek system, otherwise the
// default character in place of each letter, never a look-alike.
std::string Greek()
{
    return GetACP() == 1253 ? "\xC1\xE8\xDE\xED\xE1" : "?????";
}

} // namespace

TEST(SettingsReader, ValuesAsTheFileHoldsThem)
{
    TempFolder folder;
    const std::string path = folder / "xLead.xml";
    WriteFileBytes(path, kSample);
    cPARAMBASE2 settings(path, "SealQueue");
    ASSERT_TRUE(settings.BaseNode());
    EXPECT_STREQ(settings.BaseNode().name(), "SealQueue");
    EXPECT_EQ(settings.ErrorText(), "");
    // Blanks kept, exact case, first of two, first Lead of two.
    EXPECT_EQ(Lead(path, "Lead"), " D:\\Lead1 ");
    // Entities decoded, Greek turned into the system's code page.
    EXPECT_EQ(Lead(path, "Lead2"), "C:\\" + Greek() + " & <Print> A");
    EXPECT_EQ(Lead(path, "lead"), "");
    EXPECT_EQ(Lead(path, "Lead3"), "");
}

TEST(SettingsReader, ElementValues)
{
    TempFolder folder;
    const std::string path = folder / "values.xml";
    WriteFileBytes(path,
                   "<SealQueue>"
                   "<cdata><![CDATA[C:\\a <b> & c]]></cdata>"
                   "<empty/><emptyPair></emptyPair>"
                   "<blanks>   </blanks>"
                   "<mixed>one<x>inner</x>two</mixed>"
                   "<late><x>inner</x>after</late>"
                   "<lines>a\r\nb\rc</lines>"
                   "text before<named>value</named>"
                   "<attr TempVImg=\"D:\\x\"/>"
                   "</SealQueue>");
    cPARAMBASE2 settings(path, "SealQueue");
    ASSERT_TRUE(settings.BaseNode());
    const cPARAMNODE root(settings.BaseNode());
    EXPECT_EQ(root.GetValue("cdata"), "C:\\a <b> & c");
    EXPECT_EQ(root.GetValue("empty"), "");
    EXPECT_EQ(root.GetValue("emptyPair"), "");
    // Text made only of white space between tags is not kept.
    EXPECT_EQ(root.GetValue("blanks"), "");
    EXPECT_EQ(root.GetValue("mixed"), "one");
    EXPECT_EQ(root.GetValue("late"), "after");
    EXPECT_EQ(root.GetValue("lines"), "a\nb\nc");
    EXPECT_EQ(root.GetValue("named"), "value");
    EXPECT_EQ(root.GetValue("missing"), "");
    // A value carried as an attribute is not a child element.
    EXPECT_EQ(cPARAMNODE(settings.BaseNode().child("attr")).GetValue("TempVImg"), "");
    // A null element has no children.
    EXPECT_EQ(cPARAMNODE(pugi::xml_node()).GetValue("TempVImg"), "");
}

TEST(SettingsReader, Utf16WithByteOrderMarkGivesTheSameValues)
{
    TempFolder folder;
    const std::string utf8 = folder / "utf8.xml";
    const std::string utf8Bom = folder / "utf8bom.xml";
    const std::string utf16 = folder / "utf16.xml";
    WriteFileBytes(utf8, kSample);
    WriteFileBytes(utf8Bom, std::string("\xEF\xBB\xBF") + kSample);
    // The declaration must not claim UTF-8 in the UTF-16 form.
    std::string sample = kSample;
    sample.replace(sample.find("UTF-8"), 5, "UTF-16");
    WriteFileBytes(utf16, Utf16Le(sample));
    for (const char* key : {"Lead", "Lead2"}) {
        EXPECT_EQ(Lead(utf16, key), Lead(utf8, key)) << key;
        EXPECT_EQ(Lead(utf8Bom, key), Lead(utf8, key)) << key;
    }
    EXPECT_EQ(Lead(utf16, "Lead2"), "C:\\" + Greek() + " & <Print> A");
}

TEST(SettingsReader, RootOfAnotherNameOrUnreadableFileGivesNoBase)
{
    TempFolder folder;
    const std::string wrongCase = folder / "case.xml";
    WriteFileBytes(wrongCase, "<sealqueue><Lead><TempVImg>D:\\x</TempVImg></Lead></sealqueue>");
    {
        cPARAMBASE2 settings(wrongCase, "SealQueue");
        EXPECT_FALSE(settings.BaseNode());
        EXPECT_EQ(settings.ErrorText(), "");
    }
    {
        // An empty root name takes the document's first node, whatever its name.
        cPARAMBASE2 settings(wrongCase, "");
        ASSERT_TRUE(settings.BaseNode());
        EXPECT_STREQ(settings.BaseNode().name(), "sealqueue");
    }

    const std::string malformed = folder / "bad.xml";
    WriteFileBytes(malformed, "<SealQueue><Lead><TempVImg>D:\\x</TempVImg></SealQueue>");
    {
        cPARAMBASE2 settings(malformed, "SealQueue");
        EXPECT_FALSE(settings.BaseNode());
        EXPECT_EQ(settings.ErrorText(), "Start-end tags mismatch");
    }

    const std::string locked = folder / "locked.xml";
    WriteFileBytes(locked, kSample);
    UniqueFile holder(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    cPARAMBASE2 settings(locked, "SealQueue");
    EXPECT_FALSE(settings.BaseNode());
    EXPECT_EQ(settings.ErrorText(), "File was not found");
}

TEST(SettingsReader, NoFileGivesADocumentInMemory)
{
    TempFolder folder;
    {
        cPARAMBASE2 settings("", "");
        const pugi::xml_node declaration = settings.Document().first_child();
        EXPECT_EQ(declaration.type(), pugi::node_declaration);
        EXPECT_STREQ(declaration.name(), "xml");
        std::ostringstream text;
        settings.Document().save(text, "", pugi::format_raw);
        EXPECT_EQ(text.str(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><root/>");
        ASSERT_TRUE(settings.BaseNode());
        EXPECT_EQ(settings.BaseNode(), declaration.next_sibling());
        EXPECT_STREQ(settings.BaseNode().name(), "root");
        EXPECT_EQ(settings.ErrorText(), "");
    }
    {
        cPARAMBASE2 settings(folder / "xLead.xml", "SealQueue");
        ASSERT_TRUE(settings.BaseNode());
        EXPECT_STREQ(settings.BaseNode().name(), "SealQueue");
        EXPECT_FALSE(settings.BaseNode().first_child());
        EXPECT_EQ(settings.ErrorText(), "");
    }
    EXPECT_TRUE(ListFolder(folder.Path()).empty());
}

TEST(ReadLeadFolderTest, ReadsEachKeyFromTheFileAtLeadXmlPath)
{
    TempFolder folder;
    const std::string path = folder / "xLead.xml";
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), "");  // no file yet
    EXPECT_TRUE(ListFolder(folder.Path()).empty());

    WriteFileBytes(path, kSample);
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), " D:\\Lead1 ");
    EXPECT_EQ(ReadLeadFolder(path, "Lead2"), "C:\\" + Greek() + " & <Print> A");
    EXPECT_EQ(ReadLeadFolder(path, "LEAD"), "");

    // Read anew on every call.
    WriteFileBytes(path, "<SealQueue><Lead><TempVImg>E:\\in</TempVImg></Lead></SealQueue>");
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), "E:\\in");
    EXPECT_EQ(ReadLeadFolder(path, "Lead2"), "");

    WriteFileBytes(path, "<SEALQUEUE><Lead><TempVImg>E:\\in</TempVImg></Lead></SEALQUEUE>");
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), "");
    WriteFileBytes(path, "<SealQueue><Lead><TempVImg>E:\\in</TempVImg></Lead>");
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), "");
    WriteFileBytes(path, "<SealQueue><Lead TempVImg=\"E:\\in\"/></SealQueue>");
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), "");
    WriteFileBytes(path, "");
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), "");

    // A folder at the path is no settings file.
    DeleteFileA(path.c_str());
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    EXPECT_EQ(ReadLeadFolder(path, "Lead"), "");
}
