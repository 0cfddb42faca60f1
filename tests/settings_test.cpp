/*
** The settings store against the prefix's real registry. Linked into this
** executable, the store takes its title from the executable's own name
** ("settings_test"); copies of the built module show how a module's file
** name picks its key.
*/
#include <gtest/gtest.h>

#include "host/host.h"
#include "registry_util.h"
#include "settings/settings.h"

namespace {

const char kTitle[] = "settings_test";

class SettingsStoreTest : public testing::Test {
protected:
    void SetUp() override { DeleteModuleKey(kTitle); }
    void TearDown() override { DeleteModuleKey(kTitle); }

    static void Load(DWORD* locale, DWORD* flags)
    {
        *locale = 0xDEADBEEF;
        *flags = 0xDEADBEEF;
        ASSERT_TRUE(LoadSettings(locale, flags));
    }

    /* Loads the settings and checks both values. */
    static void ExpectLoaded(DWORD wantLocale, DWORD wantFlags)
    {
        DWORD locale, flags;
        Load(&locale, &flags);
        EXPECT_EQ(locale, wantLocale);
        EXPECT_EQ(flags, wantFlags);
    }
};

TEST_F(SettingsStoreTest, KeyPathIsPrefixAndTitle)
{
    char path[MAX_PATH];
    ASSERT_TRUE(GetSettingsKeyPath(path));
    EXPECT_STREQ(path, "Software\\Norvale\\QuillonPlugIns\\settings_test");
}

TEST_F(SettingsStoreTest, NoKeyGivesDefaultsAndLeavesAnEmptyKey)
{
    ASSERT_FALSE(ModuleKeyExists(kTitle));
    ExpectLoaded(GetSystemDefaultLCID(), 0u);
    EXPECT_TRUE(ModuleKeyExists(kTitle));
    EXPECT_EQ(CountValues(kTitle), 0u);
}

TEST_F(SettingsStoreTest, SavedValuesAreDwordsAndLoadBack)
{
    ASSERT_TRUE(SaveSettings(0x0411, 0x1));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadModuleValue(kTitle, "Locale", &type, &data));
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(*(DWORD*)data.data(), 0x411u);
    ASSERT_TRUE(ReadModuleValue(kTitle, "Flags", &type, &data));
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(*(DWORD*)data.data(), 1u);

    ExpectLoaded(0x411u, 1u);
}

TEST_F(SettingsStoreTest, AnyFlagsWordRoundTrips)
{
    ASSERT_TRUE(SaveSettings(0x0804, 0xFFFFFFFF));
    ExpectLoaded(0x804u, 0xFFFFFFFFu);
}

TEST_F(SettingsStoreTest, ValueTypeIsNotExamined)
{
    BYTE binary[4] = { 0x11, 0x04, 0, 0 };
    SetModuleValue(kTitle, "Locale", REG_BINARY, binary, 4);
    SetModuleValue(kTitle, "Flags", REG_SZ, "ab", 3);
    ExpectLoaded(0x411u, 0x00006261u);   /* the bytes 'a' 'b' NUL, the missing byte as 0 */
}

TEST_F(SettingsStoreTest, ValuesLargerThanFourBytesGiveDefaults)
{
    SetModuleValue(kTitle, "Locale", REG_SZ, "0411", 5);
    ULONGLONG wide = 0x1;
    SetModuleValue(kTitle, "Flags", REG_QWORD, &wide, 8);
    ExpectLoaded(GetSystemDefaultLCID(), 0u);
}

TEST_F(SettingsStoreTest, ShortValueReadsZeroForMissingBytes)
{
    BYTE two[2] = { 0x04, 0x08 };
    SetModuleValue(kTitle, "Locale", REG_BINARY, two, 2);
    SetModuleValue(kTitle, "Flags", REG_BINARY, "", 0);
    ExpectLoaded(0x0804u, 0u);
}

TEST_F(SettingsStoreTest, DeletingRemovesOnlyOwnKeyAndReadingRecreatesIt)
{
    ASSERT_TRUE(SaveSettings(0x0411, 0x10000));
    DeleteSettings();
    EXPECT_FALSE(ModuleKeyExists(kTitle));
    HKEY prefix;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PLUGINS_KEY, 0, KEY_READ, &prefix), ERROR_SUCCESS)
        << "the plug-ins key stays";
    RegCloseKey(prefix);

    ExpectLoaded(GetSystemDefaultLCID(), 0u);
    EXPECT_TRUE(ModuleKeyExists(kTitle));
    EXPECT_EQ(CountValues(kTitle), 0u);
}

/* Copies of the built module under other names, run on a document. */
class ModuleTitleTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(g_dllPath.empty()) << "the module's path is the first argument";
        dir = "C:\\zt";   /* short, so that long module names still fit MAX_PATH */
        CreateDirectoryA(dir.c_str(), NULL);
        ASSERT_NE(HostCreateEditor(NULL), nullptr);
    }

    void TearDown() override
    {
        HostDestroyEditor();
        for (HMODULE m : loaded)
            FreeLibrary(m);
        for (const std::string& f : copies)
            DeleteFileA(f.c_str());
        RemoveDirectoryA(dir.c_str());
    }

    /* Copies the module as name and sorts "b A a B" with it. */
    std::wstring SortWithCopy(const std::string& name)
    {
        std::string path = dir + "\\" + name;
        EXPECT_TRUE(CopyFileA(g_dllPath.c_str(), path.c_str(), FALSE)) << path;
        copies.push_back(path);
        HMODULE module = LoadLibraryA(path.c_str());
        EXPECT_NE(module, nullptr) << path;
        if (module == NULL)
            return std::wstring();
        loaded.push_back(module);
        OnCommandProc onCommand = (OnCommandProc)GetProcAddress(module, "OnCommand");
        HostSetText(L"b\r\nA\r\na\r\nB\r\n");
        POINT start = { 0, 0 }, end = { 0, 4 };
        HostSelect(start, end);
        onCommand(HostEditorWindow());
        return HostGetText();
    }

    std::string dir;
    std::vector<std::string> copies;
    std::vector<HMODULE> loaded;
};

const wchar_t kIgnoreCaseOrder[] = L"b\r\nB\r\nA\r\na\r\n";

TEST_F(ModuleTitleTest, NameUpToFirstDotPicksTheKey)
{
    DeleteModuleKey("Other");
    DeleteModuleKey("ZtoA");
    SetModuleDword("Other", "Locale", 0x409);
    SetModuleDword("Other", "Flags", NORM_IGNORECASE);
    EXPECT_EQ(SortWithCopy("Other.Name.dll"), kIgnoreCaseOrder);
    EXPECT_FALSE(ModuleKeyExists("Other.Name"));
    EXPECT_FALSE(ModuleKeyExists("ZtoA"));
    DeleteModuleKey("Other");
}

TEST_F(ModuleTitleTest, TitleTooLongForTheKeyPathUsesDefaults)
{
    std::string title(228, 'T');
    ASSERT_LT(dir.size() + 1 + title.size() + 4, (size_t)MAX_PATH) << "the copy's own path must fit";
    std::string cut = title.substr(0, 227);
    SetModuleDword(cut, "Locale", 0x409);
    SetModuleDword(cut, "Flags", NORM_IGNORECASE);
    std::wstring sorted = SortWithCopy(title + ".dll");
    EXPECT_NE(sorted, kIgnoreCaseOrder) << "a cut-off key path must not be read";
    EXPECT_EQ(sorted.size(), wcslen(kIgnoreCaseOrder));
    EXPECT_EQ(CountValues(cut), 2u) << "nor written";
    DeleteModuleKey(cut);
}

}  // namespace
