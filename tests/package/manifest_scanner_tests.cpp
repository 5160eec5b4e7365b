// The attribute scanner, metadata reading and UTF-8 conversion.
#include "app/heap_text.h"
#include "app/installer_state.h"
#include "package/manifest_scanner.h"
#include "package_builder.h"

#include <gtest/gtest.h>

namespace {

struct AttributeCase {
    const wchar_t *text;
    const wchar_t *attribute;
    const wchar_t *expected;  // nullptr: no value
};

const wchar_t kStandard[] =
    L"<manifest type=\"skin\" name=\"Blue Steel\" version=\"1.0\" author=\"someone\"/>";

const AttributeCase kAttributeCases[] = {
    {kStandard, L"type", L"skin"},
    {kStandard, L"name", L"Blue Steel"},
    {kStandard, L"version", L"1.0"},
    {kStandard, L"author", L"someone"},
    {kStandard, L"updatedby", nullptr},
    {L"<manifest name='Single'/>", L"name", L"Single"},
    {L"<manifest name \t=  \"Spaced\"/>", L"name", L"Spaced"},
    {L"<manifest name=bare version=2/>", L"name", L"bare"},
    {L"<manifest name=a\tb/>", L"name", L"a"},
    {L"<manifest name=a\rb/>", L"name", L"a"},
    {L"<manifest name=a\nb/>", L"name", L"a"},
    {L"<manifest NAME=\"Caps\"/>", L"name", L"Caps"},
    {L"<manifest name=\"it's\"/>", L"name", L"it's"},
    {L"<manifest name='say \"hi\"'/>", L"name", L"say \"hi\""},
    {L"<manifest name=a\"b'c />", L"name", L"a\"b'c"},
    {L"<manifest name=\"\"/>", L"name", L""},
    {L"<manifest name=\n version=\"1\"/>", L"name", L""},
    {L"<manifest name=   />", L"name", nullptr},
    {L"<manifest name=/>", L"name", nullptr},
    {L"<manifest name=\"open/>\" version=\"1\"/>", L"name", L"open"},
    {L"<manifest name=\"never closed/>", L"name", L"never closed"},
    {L"<manifest flag name=\"after word\"/>", L"name", L"after word"},
    {L"<manifest flag\nname=\"joined\"/>", L"name", nullptr},
    {L"<manifest name\n=\"late\"/>", L"name", nullptr},
    {L"<manifest\ttype=\"skin\"\r\n\tname\t=\t\"tabs\"\n/>", L"name", L"tabs"},
    {L"<manifest =\"x\" name=\"after empty\"/>", L"name", L"after empty"},
    {L"<manifest title=\"name=fake\" name=\"real\"/>", L"name", L"real"},
    {L"<manifest name= version=\"1\"/>", L"name", L"version=\"1\""},
    {L"<manifest name= version=\"1\"/>", L"version", nullptr},
    {L"<manifest name=\"first\" name=\"second\"/>", L"name", L"first"},
    {L"<manifest name=\"  padded &amp; &#65; \"/>", L"name", L"  padded &amp; &#65; "},
    {L"<manifest type=\"skin\"/><other name=\"inner\"/>", L"name", nullptr},
    {L"<manifest type=\"skin\">\n<other name=\"inner\"/>", L"name", L"inner"},
    {L"<manifest type=\"skin\">\n<other name=\"inner\"/>", L"type", L"skin"},
    {L"<manifest name=bare>\n<x/>", L"name", L"bare>"},
    {L"<manifest/><other name=\"later\"/>", L"name", L"later"},
    {L"<manifest/>", L"name", nullptr},
    {L"<manifest type=\"skin\">", L"type", nullptr},
    {L"<manifest", L"name", nullptr},
    {L"<manifest ", L"name", nullptr},
    {L"<manifest x", L"name", nullptr},
    {L"<manifest  name=\"\"", L"name", nullptr},
    {L"<manifest name=\"x\"/>", L"", nullptr},
};

class AttributeScan : public testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeScan, FindsTheValueAsWritten)
{
    const AttributeCase &c = GetParam();
    wchar_t *value = GetManifestAttribute(c.text, c.attribute);
    if (!c.expected) {
        EXPECT_EQ(value, nullptr) << Narrow(value ? value : L"");
    } else {
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(std::wstring(value), std::wstring(c.expected));
    }
    ReleaseBytes(value);
}

INSTANTIATE_TEST_SUITE_P(Table, AttributeScan, testing::ValuesIn(kAttributeCases));

TEST(AttributeScan, LeavesTheTextUnchanged)
{
    wchar_t text[] = L"<manifest name=\"a\"/> tail";
    std::wstring before = text;
    ReleaseBytes(GetManifestAttribute(text, L"name"));
    EXPECT_EQ(before, std::wstring(text));
}

struct TypeCase {
    const char *manifest;
    int languagePack;
};

const TypeCase kTypeCases[] = {
    {"<manifest type=\"language\"/>", 1},
    {"<manifest type=\"LANGUAGE\"/>", 1},
    {"<manifest type='LangUage'/>", 1},
    {"<manifest type=\"lang\"/>", 0},
    {"<manifest type=\" language\"/>", 0},
    {"<manifest name=\"no type\"/>", 0},
    {"<manifest type=\"skin\"/>", 0},
};

class ManifestType : public testing::TestWithParam<TypeCase> {};

TEST_P(ManifestType, SetsTheLanguageFlagOnlyForLanguage)
{
    ResetInstallerState();
    ReadManifestMetadata(GetParam().manifest);
    EXPECT_EQ(InstallerState.isLanguagePack, GetParam().languagePack);
    ResetInstallerState();
}

INSTANTIATE_TEST_SUITE_P(Table, ManifestType, testing::ValuesIn(kTypeCases));

TEST(ManifestMetadata, FillsFoundFieldsAndLeavesOthersNull)
{
    ResetInstallerState();
    ReadManifestMetadata("<manifest type=\"skin\" name=\"Blue Steel\" version=\"1.0\" author=\"someone\"/>");
    EXPECT_EQ(InstallerState.isLanguagePack, 0);
    EXPECT_STREQ(InstallerState.packageName, L"Blue Steel");
    EXPECT_STREQ(InstallerState.packageVersion, L"1.0");
    EXPECT_STREQ(InstallerState.packageAuthor, L"someone");
    EXPECT_EQ(InstallerState.packageUpdatedBy, nullptr);
    ResetInstallerState();
}

TEST(ManifestMetadata, DecodesUtf8Values)
{
    ResetInstallerState();
    ReadManifestMetadata("<manifest name=\"\xC5\x81\xC3\xB3" "d\xC5\xBA \xE4\xB8\x80\" updatedby=\"\xF0\x9F\x8E\xA8\"/>");
    EXPECT_STREQ(InstallerState.packageName, L"\u0141\u00F3d\u017A \u4E00");
    EXPECT_STREQ(InstallerState.packageUpdatedBy, L"\xD83C\xDFA8");
    ResetInstallerState();
}

struct ConversionCase {
    const char *bytes;
    const wchar_t *expected;
};

const ConversionCase kConversionCases[] = {
    {"", nullptr},
    {"abc", L"abc"},
    {"\xC3\xA9", L"\u00E9"},
    {"skins/\xE4\xB8\x80.bmp", L"skins/\u4E00.bmp"},
    {"\xF0\x9F\x8E\xA8", L"\xD83C\xDFA8"},
};

class Utf8Conversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(Utf8Conversion, GivesANewTerminatedString)
{
    wchar_t *text = Utf8ToWide(GetParam().bytes);
    if (!GetParam().expected) {
        EXPECT_EQ(text, nullptr);
    } else {
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::wstring(text), std::wstring(GetParam().expected));
    }
    ReleaseBytes(text);
}

INSTANTIATE_TEST_SUITE_P(Table, Utf8Conversion, testing::ValuesIn(kConversionCases));

TEST(Utf8Conversion, MalformedBytesStillConvert)
{
    wchar_t *text = Utf8ToWide("a\xFF" "b\xC3");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text[0], L'a');
    EXPECT_NE(std::wstring(text).find(L'b'), std::wstring::npos);
    ReleaseBytes(text);
}

}  // namespace
