#include "platform/registry.h"

#include <gtest/gtest.h>

namespace corvid::platform {
namespace {

constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE";

TEST(RegistryText, SerializesRegedit4Sections) {
    RegistryKeyTree tree;
    tree.SetString("SOFTWARE\\Classes\\VisaGpib.VisaGpib.1", "", "VisaGpib Class");
    tree.CreateKey("SOFTWARE\\Classes\\CLSID\\{A}\\Programmable");
    tree.SetString("SOFTWARE\\Classes\\CLSID\\{A}\\InprocServer32", "", "C:\\drv\\farlink.so");
    tree.SetString("SOFTWARE\\Classes\\CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment");
    tree.SetDword("SOFTWARE\\Classes\\CLSID\\{A}", "Flags", 10);
    tree.SetString("SOFTWARE\\Classes\\CLSID\\{A}", "Say \"hi\"", "");

    EXPECT_EQ(tree.Serialize(kRoot), "REGEDIT4\n"
                                     "\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
                                     "\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n"
                                     "\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\VisaGpib.VisaGpib.1]\n"
                                     "@=\"VisaGpib Class\"\n"
                                     "\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID]\n"
                                     "\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{A}]\n"
                                     "\"Flags\"=dword:0000000a\n"
                                     "\"Say \\\"hi\\\"\"=\"\"\n"
                                     "\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{A}\\Programmable]\n"
                                     "\n"
                                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{A}\\InprocServer32]\n"
                                     "@=\"C:\\\\drv\\\\farlink.so\"\n"
                                     "\"ThreadingModel\"=\"Apartment\"\n"
                                     "\n");
}

TEST(RegistryText, RoundTripKeepsEveryTextAndNumber) {
    RegistryKeyTree tree;
    using namespace std::string_literals;
    const std::string awkward = "back\\slash \"quoted\" line\nbreak\r\ttab \\n not-escape \xC3\xA9 nul\0end"s;
    tree.SetString("Key with spaces\\Sub]key", "name = \"odd\"\n", awkward);
    tree.SetString("Key with spaces", "", "");
    tree.SetDword("Key with spaces", "max", 0xFFFFFFFF);
    tree.SetDword("Key with spaces", "zero", 0);
    tree.SetString("", "root value", "at the root");

    RegistryKeyTree back = RegistryKeyTree::Parse(tree.Serialize(kRoot), kRoot);
    EXPECT_TRUE(back == tree);
    EXPECT_EQ(back.GetString("Key with spaces\\Sub]key", "NAME = \"ODD\"\n"), awkward);
    EXPECT_EQ(back.Serialize(kRoot), tree.Serialize(kRoot));
}

TEST(RegistryText, ParseReadsHandWrittenFiles) {
    const char* text = "REGEDIT4\r\n"
                       "; a comment\r\n"
                       "[hkey_local_machine\\Software\\Vendor]\r\n"
                       "  \"Path\" = \"/opt/corvid-halcyon\"  \r\n"
                       "@=\"default\"\r\n"
                       "\"Number\"=DWORD:FFFFFFFE\r\n";
    RegistryKeyTree tree = RegistryKeyTree::Parse(text, kRoot);
    EXPECT_EQ(tree.GetString("SOFTWARE\\VENDOR", "path"), "/opt/corvid-halcyon");
    EXPECT_EQ(tree.GetString("Software\\Vendor", ""), "default");
    EXPECT_EQ(tree.GetDword("Software\\Vendor", "Number"), 0xFFFFFFFEu);
    EXPECT_EQ(tree.SubKeys("Software"), std::vector<std::string>{"Vendor"});
}

TEST(RegistryText, ParseSkipsWhatItDoesNotUnderstand) {
    const char* text = "\"Orphan\"=\"before any key\"\n"
                       "[HKEY_LOCAL_MACHINE\\Good]\n"
                       "\"A\"=\"1\"\n"
                       "\"Binary\"=hex:01,02,\\\n"
                       "  03,04\n"
                       "\"TooLong\"=dword:123456789\n"
                       "\"BadHex\"=dword:12g4\n"
                       "\"Unterminated\"=\"no end\n"
                       "\"Trailing\"=\"x\" junk\n"
                       "garbage line\n"
                       "[HKEY_CURRENT_USER\\Other]\n"
                       "\"Foreign\"=\"x\"\n"
                       "[-HKEY_LOCAL_MACHINE\\Deleted]\n"
                       "\"Lost\"=\"x\"\n"
                       "[HKEY_LOCAL_MACHINE\\Bad\\\\Path]\n"
                       "\"Lost\"=\"y\"\n"
                       "[HKEY_LOCAL_MACHINE\\Good\\Sub]\n"
                       "\"B\"=dword:2\n";
    RegistryKeyTree tree = RegistryKeyTree::Parse(text, kRoot);
    EXPECT_EQ(tree.SubKeys(""), std::vector<std::string>{"Good"});
    auto values = tree.Values("Good");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].first, "A");
    EXPECT_EQ(tree.GetDword("Good\\Sub", "B"), 2u);
    EXPECT_TRUE(tree.Values("").empty());
}

TEST(RegistryText, TruncatedFileReadsAsFarAsItGoes) {
    RegistryKeyTree tree;
    for (int i = 0; i < 5; ++i)
        tree.SetString("Key" + std::to_string(i), "Value", "text " + std::to_string(i));
    std::string text = tree.Serialize(kRoot);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        RegistryKeyTree part = RegistryKeyTree::Parse(std::string_view(text).substr(0, cut), kRoot);
        for (const std::string& key : part.SubKeys("")) {
            auto value = part.GetString(key, "Value");
            if (value) { // a value is complete or absent, never cut short
                EXPECT_EQ(*value, "text " + key.substr(3));
            }
        }
    }
}

} // namespace
} // namespace corvid::platform
