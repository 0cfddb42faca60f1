/*
** The settings store against the prefix's real registry. Linked into this
** executable, the store takes its title from the executable's own name
** ("settings_test"); copies of the built module show how a module's file
** name picks its key.
*/
#include <gtest/gtest.h>

#include <algorithm>

#include "host/host.h"
#include "host/hostplugin.h"
#include "dialog_driver.h"
#include "registry_util.h"
#include "settings/settings.h"

namespace {

const char kTitle[] = "settings_test";

/* An ANSI text as the module's wide functions see it. */
std::wstring Wide(const std::string& text)
{
    return WideFromAnsi(text.data(), (int)text.size());
}

class SettingsStoreTest : public testing::Test {
protected:
    void SetUp() override { DeleteModuleKey(kTitle); }
    void TearDown() override { DeleteModuleKey(kTitle); }

    static void Load(DWORD* locale, DWORD* flags)
    {
        CompareSettings settings = LoadCompareSettings();
        *locale = settings.locale;
        *flags = settings.flags;
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
    ASSERT_TRUE(SaveSettings(0x0411, 0x1, FALSE));
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
    ASSERT_TRUE(SaveSettings(0x0804, 0xFFFFFFFF, FALSE));
    ExpectLoaded(0x804u, 0xFFFFFFFFu);
}

TEST_F(SettingsStoreTest, FourByteBinaryIsTakenAndTextIsNot)
{
    BYTE binary[4] = { 0x11, 0x04, 0, 0 };
    SetModuleValue(kTitle, "Locale", REG_BINARY, binary, 4);
    SetModuleValue(kTitle, "Flags", REG_SZ, "ab", 3);
    ExpectLoaded(0x411u, 0u);
    /* "411" typed as text would read as the bytes '4' '1' '1' NUL. */
    SetModuleValue(kTitle, "Locale", REG_SZ, "411", 4);
    SetModuleValue(kTitle, "Flags", REG_EXPAND_SZ, "1", 2);
    ExpectLoaded(GetSystemDefaultLCID(), 0u);
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
    ASSERT_TRUE(SaveSettings(0x0411, 0x10000, FALSE));
    SetModuleDword(kTitle + std::string("\\Hand made\\Deeper"), "Extra", 1);
    EXPECT_TRUE(DeleteSettings()) << "a key with keys inside it must go too";
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
/*
** Gives everyone (the only entry of its access list) access to the
** module's key: the rights an administrator may leave a user with.
** Returns false when the key's access cannot be set.
*/
bool SetModuleKeyAccess(const std::string& title, REGSAM access)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ModuleKeyPath(title).c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = NULL;
    BYTE aclBytes[256];
    PACL acl = (PACL)aclBytes;
    SECURITY_DESCRIPTOR sd;
    bool set = AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)
            && InitializeAcl(acl, sizeof(aclBytes), ACL_REVISION)
            && AddAccessAllowedAce(acl, ACL_REVISION, access, everyone)
            && InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)
            && SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE)
            && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    if (everyone != NULL)
        FreeSid(everyone);
    RegCloseKey(key);
    return set;
}

/* A key the user may read but not write still gives its settings; saving to it fails. */
TEST_F(SettingsStoreTest, ReadOnlyKeyStillGivesItsSettings)
{
    SetModuleDword(kTitle, "Locale", 0x411);
    SetModuleDword(kTitle, "Flags", NORM_IGNORECASE);
    ASSERT_TRUE(SetModuleKeyAccess(kTitle, KEY_READ | WRITE_DAC));
    DWORD locale, flags;
    Load(&locale, &flags);
    BOOL saved = SaveSettings(0x409, 0, FALSE);
    ASSERT_TRUE(SetModuleKeyAccess(kTitle, KEY_ALL_ACCESS));
    EXPECT_EQ(locale, 0x411u);
    EXPECT_EQ(flags, (DWORD)NORM_IGNORECASE);
    EXPECT_FALSE(saved);
}

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
        for (const std::wstring& f : copies)
            DeleteFileW(f.c_str());
        for (size_t i = folders.size(); i-- > 0;)
            RemoveDirectoryW(folders[i].c_str());
        RemoveDirectoryA(dir.c_str());
    }

    /* Copies the module as name and sorts "b A a B" with it. */
    std::wstring SortWithCopy(const std::string& name)
    {
        return SortWithCopyW(Wide(name.c_str()));
    }

    std::wstring SortWithCopyW(const std::wstring& name)
    {
        HMODULE module = LoadCopy(name);
        if (module == NULL)
            return std::wstring();
        OnCommandProc onCommand = (OnCommandProc)GetProcAddress(module, "OnCommand");
        HostSetText(L"b\r\nA\r\na\r\nB\r\n");
        POINT start = { 0, 0 }, end = { 0, 4 };
        HostSelect(start, end);
        onCommand(HostEditorWindow());
        return HostGetText();
    }

    /* Copies the module as name in the test folder and loads the copy. */
    HMODULE LoadCopy(const std::wstring& name)
    {
        std::wstring path = Wide(dir.c_str()) + L"\\" + name;
        if (std::find(copies.begin(), copies.end(), path) == copies.end()) {
            EXPECT_TRUE(CopyFileW(Wide(g_dllPath.c_str()).c_str(), path.c_str(), FALSE));
            copies.push_back(path);
        }
        HMODULE module = LoadLibraryW(path.c_str());
        EXPECT_NE(module, nullptr);
        if (module != NULL)
            loaded.push_back(module);
        return module;
    }

    std::string dir;
    std::vector<std::wstring> folders;   /* made below dir, outermost first */
    std::vector<std::wstring> copies;
    std::vector<HMODULE> loaded;
};

/* The plug-ins key that all plug-ins share, with values of its own. */
void SetPluginsKeyDword(const char* name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, TEST_PLUGINS_KEY, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
    RegCloseKey(key);
}

/* The wide-named key below the plug-ins key, for values as a user stored them. */
void SetWideModuleDword(const std::wstring& title, const wchar_t* name, DWORD value)
{
    HKEY key;
    std::wstring path = Wide(TEST_PLUGINS_KEY "\\") + title;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
    RegCloseKey(key);
}

bool WideModuleKeyExists(const std::wstring& title)
{
    HKEY key;
    std::wstring path = Wide(TEST_PLUGINS_KEY "\\") + title;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteWideModuleKey(const std::wstring& title)
{
    std::wstring path = Wide(TEST_PLUGINS_KEY "\\") + title;
    RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}

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

/* A module deep in folders, its path longer than MAX_PATH, still reads its own key. */
TEST_F(ModuleTitleTest, ModulePathLongerThanMaxPathFindsItsKey)
{
    std::wstring sub;
    while (dir.size() + sub.size() < MAX_PATH) {
        sub += std::wstring(60, L'd') + L"\\";
        folders.push_back(Wide(dir.c_str()) + L"\\" + sub);
        ASSERT_TRUE(CreateDirectoryW(folders.back().c_str(), NULL));
    }
    DeleteModuleKey("Deep");
    SetModuleDword("Deep", "Locale", 0x409);
    SetModuleDword("Deep", "Flags", NORM_IGNORECASE);
    EXPECT_EQ(SortWithCopyW(sub + L"Deep.dll"), kIgnoreCaseOrder);
    DeleteModuleKey("Deep");
}

/*
** A file named ".dll" or ".hidden.dll" has an empty title: its key path
** would be the plug-ins key itself, which all plug-ins share. The copy
** must read none of that key's values and write nothing there.
*/
TEST_F(ModuleTitleTest, EmptyTitleUsesDefaultsAndLeavesThePluginsKey)
{
    SetPluginsKeyDword("Locale", 0x409);
    SetPluginsKeyDword("Flags", NORM_IGNORECASE);
    EXPECT_NE(SortWithCopy(".dll"), kIgnoreCaseOrder) << "the shared key's flags were read";
    EXPECT_NE(SortWithCopy(".hidden.dll"), kIgnoreCaseOrder);

    /* Uninstalling the copy, answered yes, must not delete the shared key. */
    HMODULE module = LoadCopy(L".dll");
    ASSERT_NE(module, nullptr);
    typedef LRESULT (WINAPI *PlugInProcFn)(HWND, UINT, WPARAM, LPARAM);
    PlugInProcFn plugInProc = (PlugInProcFn)(void*)GetProcAddress(module, "PlugInProc");
    HWND owner = CreateOwnerWindow();
    DialogRun run;
    RunDialog([&] { return plugInProc(owner, 0x907, 0, 0); }, [](HWND) { return IDYES; }, &run);
    DestroyWindow(owner);
    EXPECT_NE(run.dialog, nullptr) << "no confirmation showed up";

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PLUGINS_KEY, 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS)
        << "the plug-ins key is gone";
    DWORD values = 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    EXPECT_EQ(values, 2u);
    RegDeleteValueA(key, "Locale");
    RegDeleteValueA(key, "Flags");
    RegCloseKey(key);
}

/*
** Names that differ only in characters the ANSI code page may lack get
** keys of their own, named as the files are.
*/
TEST_F(ModuleTitleTest, NamesOutsideTheCodePageGetTheirOwnKeys)
{
    const std::wstring first = L"\u6392\u5E8F", second = L"\u5E76\u5217";   /* two Chinese words */
    SetWideModuleDword(first, L"Locale", 0x409);
    SetWideModuleDword(first, L"Flags", NORM_IGNORECASE);
    EXPECT_EQ(SortWithCopyW(first + L".dll"), kIgnoreCaseOrder);
    EXPECT_NE(SortWithCopyW(second + L".dll"), kIgnoreCaseOrder) << "the second copy read the first one's key";
    EXPECT_TRUE(WideModuleKeyExists(second));
    EXPECT_FALSE(ModuleKeyExists("??")) << "a key named by the ANSI form";
    DeleteWideModuleKey(first);
    DeleteWideModuleKey(second);
}

/* Under a double-byte code page a name it can spell keeps the key that its ANSI form names. */
TEST_F(ModuleTitleTest, AnsiKeysOfDoubleByteNamesStillApply)
{
    const std::wstring title = L"\u4E26\u3079\u66FF\u3048";   /* sort, in Japanese and Chinese characters */
    char ansi[MAX_PATH];
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, title.c_str(), -1, ansi, sizeof(ansi), NULL, &lossy);
    if (n == 0 || lossy)
        GTEST_SKIP() << "code page " << GetACP() << " cannot spell the name";
    SetModuleDword(ansi, "Locale", 0x409);
    SetModuleDword(ansi, "Flags", NORM_IGNORECASE);
    EXPECT_EQ(SortWithCopyW(title + L".dll"), kIgnoreCaseOrder);
    DeleteModuleKey(ansi);
}

}  // namespace
