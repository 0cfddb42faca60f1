/*
** The module's exports as the host calls them: found by name and by
** ordinal, called as stdcall functions, the resource identifiers they name,
** the requests of PlugInProc, the availability query, the event hook, and
** the two requests that open windows (uninstall and properties), driven
** under the X server. The expected values are written out here, apart from
** the module's headers, so that a wrong constant shows up as a failure.
**
** Registered under ja_JP, zh_CN, zh_TW and en_US (UTF-8): the texts
** are checked in the language that the ANSI code page selects (932, 936,
** 950 for Traditional Chinese, or 1252 for English).
*/
#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <vector>

#include "module_window_test.h"

namespace {

/* The host's plug-in interface, as the host defines it. */
const UINT kQueryProperties = 0x900;
const UINT kShowProperties = 0x901;
const UINT kGetName = 0x902;
const UINT kGetVersion = 0x904;
const UINT kQueryUninstall = 0x906;
const UINT kUninstall = 0x907;
const UINT kGetBitmapId = 0x908;
const UINT kGetMaskColor = 0x909;
const UINT kEventSendValue = 0x10;
const UINT kEventSetValue = 0x400;

static_assert(HM_QUERY_COMMAND_STATUS == 0x801 && HM_PASS_EVENT_VALUE == 0x802 &&
              HM_GET_SEL_TYPE == 0x82D && HOST_CMD_GUARD == 0x1011,
              "the stand-in host must use the host's message numbers");

typedef BOOL (WINAPI *QueryStatusFn)(HWND, BOOL*);
typedef void (WINAPI *OnEventsFn)(HWND, UINT, LPARAM);
typedef UINT (WINAPI *GetIdFn)(void);

/* The stack pointer, read in place: on i686 a callee that does not remove
   its arguments (cdecl behind a stdcall name) leaves it lower after the call. */
#if defined(__i386__)
#define READ_STACK_POINTER(sp) __asm__ __volatile__("movl %%esp, %0" : "=r"(sp) : : "memory")
#elif defined(__x86_64__)
#define READ_STACK_POINTER(sp) __asm__ __volatile__("movq %%rsp, %0" : "=r"(sp) : : "memory")
#else
#error "READ_STACK_POINTER needs this processor's stack register"
#endif

/* The module's texts in one of its four languages. */
struct LanguageTexts {
    UINT codePage;          /* the ANSI code page that goes with the language */
    const wchar_t* name;    /* string 5: menu text, name, captions */
    const wchar_t* status;  /* string 6: status-bar text */
    const wchar_t* prompt;  /* string 1: uninstall confirmation */
};

const LanguageTexts kLanguages[] = {
    { 932, L"文字列を降順に並べ替え", L"文字列を設定した方法で降順に並べ替えます",
      L"アンインストールを実行します。よろしいですか?" },
    { 936, L"字符排序 (降序)", L"使用指定的选项将选中的文字按降序进行排序",
      L"你确实想要卸载这个插件吗?" },
    { 950, L"字元排序 (遞減)", L"使用指定的選項將選取的文字依遞減順序排序",
      L"您確定要解除安裝這個外掛程式嗎?" },
    { 1252, L"Sort Lines (Descending)",
      L"Sorts the selected lines into descending order with the chosen options",
      L"Do you really want to uninstall this plug-in?" },
};

/* The texts that this process's code page selects, or NULL. */
const LanguageTexts* CurrentLanguage()
{
    for (const LanguageTexts& l : kLanguages)
        if (l.codePage == GetACP())
            return &l;
    return NULL;
}

std::string ToAnsi(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, NULL, 0, NULL, NULL);
    std::string ansi(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &ansi[0], size, NULL, NULL);
    ansi.resize(ansi.size() - 1);
    return ansi;
}

/* The module as the host loads it, once per process. */
HMODULE Module()
{
    static HMODULE module = LoadLibraryA(g_dllPath.c_str());
    return module;
}

template <typename T> T Export(const char* name)
{
    return (T)(void*)GetProcAddress(Module(), name);
}

/* ---- Finding and calling the exports ------------------------------------ */

class ExportTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Module(), nullptr) << "cannot load " << g_dllPath;
        title = TitleOfPath(g_dllPath);
        pluginsKeyExisted = PluginsKeyExists();
    }

    void TearDown() override
    {
        HostDestroyEditor();
        DeleteModuleKey(title);   /* OnCommand reads, and so creates, the key */
        if (!pluginsKeyExisted)
            RemovePluginsKeys();
    }

    std::string title;
    bool pluginsKeyExisted;
};

TEST_F(ExportTableTest, EachExportHasItsNameAndOrdinal)
{
    static const char* const names[] = {
        "OnCommand", "QueryStatus", "OnEvents", "GetMenuTextID",
        "GetStatusMessageID", "GetBitmapID", "PlugInProc",
    };
    for (int i = 0; i < 7; i++) {
        FARPROC byName = GetProcAddress(Module(), names[i]);
        FARPROC byOrdinal = GetProcAddress(Module(), MAKEINTRESOURCEA(i + 1));
        EXPECT_NE(byName, nullptr) << names[i];
        EXPECT_EQ(byName, byOrdinal) << names[i] << " is not ordinal " << i + 1;
    }
    EXPECT_EQ(GetProcAddress(Module(), MAKEINTRESOURCEA(8)), nullptr) << "no eighth export";
}

TEST_F(ExportTableTest, NamesAreUndecorated)
{
    static const char* const decorated[] = {
        "OnCommand@4", "_OnCommand@4", "QueryStatus@8", "_QueryStatus@8", "OnEvents@12",
        "_OnEvents@12", "GetMenuTextID@0", "PlugInProc@16", "_PlugInProc@16",
    };
    for (const char* name : decorated)
        EXPECT_EQ(GetProcAddress(Module(), name), nullptr) << name;
}

TEST_F(ExportTableTest, StdcallCallsLeaveTheStackAsTheyFoundIt)
{
    OnCommandFn onCommand = Export<OnCommandFn>("OnCommand");
    QueryStatusFn queryStatus = Export<QueryStatusFn>("QueryStatus");
    OnEventsFn onEvents = Export<OnEventsFn>("OnEvents");
    GetIdFn getMenuTextID = Export<GetIdFn>("GetMenuTextID");
    GetIdFn getStatusMessageID = Export<GetIdFn>("GetStatusMessageID");
    GetIdFn getBitmapID = Export<GetIdFn>("GetBitmapID");
    PlugInProcFn plugInProc = Export<PlugInProcFn>("PlugInProc");
    ASSERT_TRUE(onCommand && queryStatus && onEvents && getMenuTextID && getStatusMessageID &&
                getBitmapID && plugInProc);
    HWND editor = HostCreateEditor(NULL);
    ASSERT_NE(editor, nullptr);

    const int calls = 2000;
    volatile DWORD canary = 0x5AA5C33Cu;   /* a local in memory across all calls */
    DWORD sum = 0;
    BOOL state = FALSE;
    uintptr_t before = 0, after = 0;
    READ_STACK_POINTER(before);
    for (int i = 0; i < calls; i++) {
        sum += getMenuTextID() + getStatusMessageID() + getBitmapID();
        sum += (DWORD)queryStatus(editor, &state);
        onEvents(editor, kEventSetValue, (LPARAM)i);
        sum += (DWORD)plugInProc(NULL, kGetBitmapId, (WPARAM)(i & 1), 0);
        onCommand(editor);
    }
    READ_STACK_POINTER(after);

    EXPECT_EQ(before, after) << "the stack pointer moved by " << (intptr_t)(before - after);
    EXPECT_EQ(canary, 0x5AA5C33Cu);
    /* 5 + 6 + 101 on every call; bitmap 101 and 104 in turn; no selection. */
    EXPECT_EQ(sum, (DWORD)(calls * (5 + 6 + 101) + calls / 2 * (101 + 104)));
}

/* ---- The three resource identifiers ------------------------------------- */

class ResourceIdTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Module(), nullptr) << "cannot load " << g_dllPath; }

    static std::wstring ModuleString(UINT id)
    {
        const WCHAR* text = NULL;
        int length = LoadStringW(Module(), id, (LPWSTR)&text, 0);
        return length > 0 ? std::wstring(text, length) : std::wstring();
    }
};

TEST_F(ResourceIdTest, MenuAndStatusTextsLoadFromTheModule)
{
    GetIdFn getMenuTextID = Export<GetIdFn>("GetMenuTextID");
    GetIdFn getStatusMessageID = Export<GetIdFn>("GetStatusMessageID");
    ASSERT_TRUE(getMenuTextID && getStatusMessageID);
    UINT menu = getMenuTextID();
    UINT status = getStatusMessageID();
    EXPECT_EQ(menu, 5u);
    EXPECT_EQ(status, 6u);
    std::wstring menuText = ModuleString(menu);
    std::wstring statusText = ModuleString(status);
    EXPECT_FALSE(menuText.empty());
    EXPECT_FALSE(statusText.empty());
    const LanguageTexts* language = CurrentLanguage();
    if (language != NULL) {
        EXPECT_EQ(menuText, language->name);
        EXPECT_EQ(statusText, language->status);
    }
}

TEST_F(ResourceIdTest, ToolbarBitmapLoadsFromTheModule)
{
    GetIdFn getBitmapID = Export<GetIdFn>("GetBitmapID");
    ASSERT_NE(getBitmapID, nullptr);
    UINT id = getBitmapID();
    EXPECT_EQ(id, 101u);
    HBITMAP bitmap = LoadBitmapA(Module(), MAKEINTRESOURCEA(id));
    EXPECT_NE(bitmap, nullptr);
    if (bitmap != NULL)
        DeleteObject(bitmap);
}

/* ---- PP_GET_BITMAP_ID and PP_GET_MASK_COLOR ----------------------------- */

/* One combination of the five request bits and what the host gets. */
struct BitmapCase {
    WPARAM bits;       /* BMP_LARGE 0x1, 256 colours 0x10, true colour 0x20, grayed 0x100, dark 0x200 */
    UINT id;
    DWORD mask;
};

const BitmapCase kBitmapCases[] = {
    { 0x000, 101, 0x00000000 },
    { 0x001, 104, 0x00000000 },
    { 0x010, 106, 0x00FF00FF },
    { 0x011, 113, 0x00FF00FF },
    { 0x020, 109, 0xFFFFFFFF },
    { 0x021, 116, 0xFFFFFFFF },
    { 0x030, 109, 0xFFFFFFFF },
    { 0x031, 116, 0xFFFFFFFF },
    { 0x100, 101, 0x00000000 },
    { 0x101, 104, 0x00000000 },
    { 0x110, 105, 0x00FF00FF },
    { 0x111, 112, 0x00FF00FF },
    { 0x120, 108, 0xFFFFFFFF },
    { 0x121, 115, 0xFFFFFFFF },
    { 0x130, 108, 0xFFFFFFFF },
    { 0x131, 115, 0xFFFFFFFF },
    { 0x200, 101, 0x00000000 },
    { 0x201, 104, 0x00000000 },
    { 0x210, 107, 0x00FF00FF },
    { 0x211, 114, 0x00FF00FF },
    { 0x220, 111, 0xFFFFFFFF },
    { 0x221, 117, 0xFFFFFFFF },
    { 0x230, 111, 0xFFFFFFFF },
    { 0x231, 117, 0xFFFFFFFF },
    { 0x300, 101, 0x00000000 },
    { 0x301, 104, 0x00000000 },
    { 0x310, 105, 0x00FF00FF },
    { 0x311, 112, 0x00FF00FF },
    { 0x320, 108, 0xFFFFFFFF },
    { 0x321, 115, 0xFFFFFFFF },
    { 0x330, 108, 0xFFFFFFFF },
    { 0x331, 115, 0xFFFFFFFF },
};

/* The module loaded and its request dispatcher found. */
class PlugInProcTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Module(), nullptr) << "cannot load " << g_dllPath;
        plugInProc = Export<PlugInProcFn>("PlugInProc");
        ASSERT_NE(plugInProc, nullptr);
    }

    PlugInProcFn plugInProc;
};

class BitmapRequestTest : public PlugInProcTest {};

TEST_F(BitmapRequestTest, EveryCombinationOfTheFiveBits)
{
    ASSERT_EQ(sizeof(kBitmapCases) / sizeof(kBitmapCases[0]), 32u);
    for (const BitmapCase& c : kBitmapCases) {
        LRESULT id = plugInProc(NULL, kGetBitmapId, c.bits, 0);
        LRESULT mask = plugInProc(NULL, kGetMaskColor, c.bits, 0);
        EXPECT_EQ(id, (LRESULT)c.id) << "bits 0x" << std::hex << c.bits;
        EXPECT_EQ((DWORD)mask, c.mask) << "bits 0x" << std::hex << c.bits;
    }
}

TEST_F(BitmapRequestTest, AnyRequestNamesABitmapOfTheModuleAndNever110)
{
    for (WPARAM bits = 0; bits <= 0x3FF; bits++) {
        LRESULT id = plugInProc(NULL, kGetBitmapId, bits, 0);
        EXPECT_NE(id, 110) << "bits 0x" << std::hex << bits;
        EXPECT_NE(FindResourceA(Module(), MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP), nullptr)
            << "bitmap " << id << " for bits 0x" << std::hex << bits;
    }
    EXPECT_EQ(FindResourceA(Module(), MAKEINTRESOURCEA(110), (LPCSTR)RT_BITMAP), nullptr);
}

/* ---- PP_GET_NAME and PP_GET_VERSION ------------------------------------- */

const size_t kGuardBytes = 16;
const char kCanary = (char)0xCC;

/* The bytes that a text request wrote: the caller's buffer of bufferSize
   bytes with kGuardBytes canaries on each side. */
struct GuardedCall {
    LRESULT result;
    std::vector<char> bytes;

    const char* Buffer() const { return bytes.data() + kGuardBytes; }

    /* Whether every byte from offset from of the caller's buffer to the
       end of the guard after it still holds the canary. */
    bool UntouchedFrom(size_t from) const
    {
        for (size_t i = kGuardBytes + from; i < bytes.size(); i++)
            if (bytes[i] != kCanary)
                return false;
        for (size_t i = 0; i < kGuardBytes; i++)
            if (bytes[i] != kCanary)
                return false;
        return true;
    }
};

class TextRequestTest : public PlugInProcTest {
protected:
    void SetUp() override
    {
        PlugInProcTest::SetUp();
        if (HasFatalFailure())
            return;
        const LanguageTexts* language = CurrentLanguage();
        if (language == NULL)
            GTEST_SKIP() << "code page " << GetACP() << " selects none of the module's languages";
        cases.push_back(Case{ kGetName, "PP_GET_NAME", ToAnsi(language->name) });
        cases.push_back(Case{ kGetVersion, "PP_GET_VERSION", "1.02" });
        ASSERT_GT(cases[0].text.size(), 4u) << "the name must be longer than the small buffer";
    }

    GuardedCall Call(UINT request, WPARAM size, size_t bufferSize)
    {
        GuardedCall call;
        call.bytes.assign(bufferSize + 2 * kGuardBytes, kCanary);
        call.result = plugInProc(NULL, request, size, (LPARAM)(call.bytes.data() + kGuardBytes));
        return call;
    }

    struct Case {
        UINT request;
        const char* name;
        std::string text;   /* the expected text in the ANSI code page */
    };

    std::vector<Case> cases;
};

TEST_F(TextRequestTest, WithoutBufferReturnsTheSize)
{
    for (const Case& c : cases) {
        EXPECT_EQ(plugInProc(NULL, c.request, 0, 0), (LRESULT)c.text.size() + 1) << c.name;
        EXPECT_EQ(plugInProc(NULL, c.request, 80, 0), (LRESULT)c.text.size() + 1) << c.name;
    }
}

TEST_F(TextRequestTest, SmallBufferGetsTheFirstBytesAndTheFullSize)
{
    for (const Case& c : cases) {
        GuardedCall call = Call(c.request, 4, 4);
        EXPECT_EQ(call.result, (LRESULT)c.text.size() + 1) << c.name;
        EXPECT_EQ(std::string(call.Buffer(), 3), c.text.substr(0, 3)) << c.name;
        EXPECT_EQ(call.Buffer()[3], '\0') << c.name;
        EXPECT_TRUE(call.UntouchedFrom(4)) << c.name << " wrote outside its buffer";
    }
}

TEST_F(TextRequestTest, ZeroSizeWritesNothing)
{
    for (const Case& c : cases) {
        GuardedCall call = Call(c.request, 0, 4);
        EXPECT_EQ(call.result, (LRESULT)c.text.size() + 1) << c.name;
        EXPECT_TRUE(call.UntouchedFrom(0)) << c.name << " wrote into a buffer of size 0";
    }
}

TEST_F(TextRequestTest, BuffersAroundTheTextSize)
{
    for (const Case& c : cases) {
        size_t size = c.text.size() + 1;

        GuardedCall exact = Call(c.request, size, size);
        EXPECT_EQ(exact.result, (LRESULT)size) << c.name;
        EXPECT_STREQ(exact.Buffer(), c.text.c_str()) << c.name;
        EXPECT_TRUE(exact.UntouchedFrom(size)) << c.name;

        GuardedCall shorter = Call(c.request, size - 1, size - 1);
        EXPECT_EQ(shorter.result, (LRESULT)size) << c.name;
        EXPECT_EQ(std::string(shorter.Buffer()), c.text.substr(0, size - 2)) << c.name;
        EXPECT_TRUE(shorter.UntouchedFrom(size - 1)) << c.name;

        GuardedCall large = Call(c.request, 200, 200);
        EXPECT_EQ(large.result, (LRESULT)size) << c.name;
        EXPECT_STREQ(large.Buffer(), c.text.c_str()) << c.name;
        EXPECT_TRUE(large.UntouchedFrom(size)) << c.name << " wrote past its terminator";
    }
}

/* ---- The other requests -------------------------------------------------- */


TEST_F(PlugInProcTest, QueriesAnswerOne)
{
    EXPECT_EQ(plugInProc(NULL, kQueryProperties, 0, 0), 1);
    EXPECT_EQ(plugInProc(NULL, kQueryUninstall, 0, 0), 1);
    EXPECT_EQ(plugInProc(NULL, kQueryProperties, 0x1234, 0x5678), 1);
    EXPECT_EQ(plugInProc(NULL, kQueryUninstall, 0x1234, 0x5678), 1);
}

TEST_F(PlugInProcTest, UnknownRequestsAnswerZero)
{
    static const UINT unknown[] = { 0, 1, 0x10, 0x8FF, 0x903, 0x905, 0x90A, 0x90F, 0x1000, 0xFFFFFFFF };
    for (UINT request : unknown)
        EXPECT_EQ(plugInProc(NULL, request, 0x31, 0), 0) << "request 0x" << std::hex << request;
}

/* ---- QueryStatus --------------------------------------------------------- */

class QueryStatusTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Module(), nullptr) << "cannot load " << g_dllPath;
        queryStatus = Export<QueryStatusFn>("QueryStatus");
        ASSERT_NE(queryStatus, nullptr);
        editor = HostCreateEditor(NULL);
        ASSERT_NE(editor, nullptr);
    }

    void TearDown() override { HostDestroyEditor(); }

    QueryStatusFn queryStatus;
    HWND editor;
};

TEST_F(QueryStatusTest, AvailableOnlyForSelectionTypesOneAndTwoWithoutGuard)
{
    static const struct { LRESULT type; BOOL available; } types[] = {
        { 0x0, FALSE }, { 0x1, TRUE }, { 0x2, TRUE }, { 0x3, FALSE },
        { 0x4, FALSE }, { 0x5, FALSE }, { 0x6, FALSE }, { 0x7, FALSE },
        { 0x8, FALSE }, { 0x9, FALSE }, { 0xA, FALSE }, { 0xB, FALSE },
        { 0xC, FALSE }, { 0xD, FALSE }, { 0xE, FALSE }, { 0xF, FALSE },
        { 0x10, FALSE }, { 0x11, TRUE }, { 0x12, TRUE }, { 0x13, FALSE },
        { 0x20, FALSE }, { 0x101, TRUE }, { 0x102, TRUE }, { 0x1F0, FALSE },
        { 0xF1, TRUE }, { 0x7FFFFFF2, TRUE }, { 0x7FFFFFF0, FALSE },
    };
    for (BOOL guard = FALSE; guard <= TRUE; guard++) {
        for (const auto& t : types) {
            HostSetGuardState(guard);
            HostSetSelType(t.type);
            HostClearMessages();
            BOOL state = TRUE;
            BOOL available = queryStatus(editor, &state);
            EXPECT_EQ(available, guard ? FALSE : t.available)
                << "type 0x" << std::hex << t.type << " guard " << guard;
            EXPECT_EQ(state, FALSE) << "type 0x" << std::hex << t.type << " guard " << guard;

            /* The guard's flag first; the selection type only when it is clear. */
            const std::vector<HostMessage>& log = HostMessages();
            ASSERT_EQ(log.size(), guard ? 1u : 2u) << "type 0x" << std::hex << t.type;
            EXPECT_EQ(log[0].message, (UINT)HM_QUERY_COMMAND_STATUS);
            EXPECT_EQ(log[0].wParam, (WPARAM)HOST_CMD_GUARD);
            if (!guard) {
                EXPECT_EQ(log[1].message, (UINT)HM_GET_SEL_TYPE);
            }
        }
    }
}

/* ---- OnEvents ------------------------------------------------------------ */

/*
** Each test gets a fresh copy of the module under a file name of its own,
** so that the remembered value starts from the load whatever ran before.
*/
class OnEventsTest : public testing::Test {
protected:
    void SetUp() override
    {
        static int copies;
        char dir[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
        copyPath = std::string(dir) + "ZtoAEvents" + std::to_string(GetCurrentProcessId()) + "_" +
                   std::to_string(++copies) + ".dll";
        ASSERT_TRUE(CopyFileA(g_dllPath.c_str(), copyPath.c_str(), FALSE)) << "cannot copy " << g_dllPath;
        copy = LoadLibraryA(copyPath.c_str());
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(copy, Module()) << "the copy must be a module of its own";
        onEvents = (OnEventsFn)(void*)GetProcAddress(copy, "OnEvents");
        ASSERT_NE(onEvents, nullptr);
        editor = HostCreateEditor(NULL);
        ASSERT_NE(editor, nullptr);
        HostClearMessages();
    }

    void TearDown() override
    {
        HostDestroyEditor();
        if (copy != NULL)
            FreeLibrary(copy);
        DeleteFileA(copyPath.c_str());
    }

    /* The values passed back since the last clear, in order. */
    static std::vector<WPARAM> Passed()
    {
        std::vector<WPARAM> values;
        for (const HostMessage& m : HostMessages())
            if (m.message == HM_PASS_EVENT_VALUE)
                values.push_back(m.wParam);
        return values;
    }

    std::string copyPath;
    HMODULE copy = NULL;
    OnEventsFn onEvents;
    HWND editor;
};

TEST_F(OnEventsTest, SendBeforeAnySetPassesZero)
{
    onEvents(editor, kEventSendValue, 0x55);
    EXPECT_EQ(Passed(), std::vector<WPARAM>{ 0 });
    EXPECT_EQ(HostMessages().size(), 1u);
}

TEST_F(OnEventsTest, SetStoresWithoutSending)
{
    onEvents(editor, kEventSetValue, 0x1234);
    EXPECT_TRUE(HostMessages().empty());
    onEvents(editor, kEventSetValue, 0x5678);
    EXPECT_TRUE(HostMessages().empty());
    onEvents(editor, kEventSendValue, 0);
    onEvents(editor, kEventSendValue, 0x9999);
    EXPECT_EQ(Passed(), (std::vector<WPARAM>{ 0x5678, 0x5678 })) << "the last set value, every time";
}

TEST_F(OnEventsTest, SetAndSendInOneCallSendsTheNewValue)
{
    onEvents(editor, kEventSetValue, 7);
    onEvents(editor, kEventSetValue | kEventSendValue, 0xBEEF);
    EXPECT_EQ(Passed(), std::vector<WPARAM>{ 0xBEEF });
    onEvents(editor, kEventSendValue, 0);
    EXPECT_EQ(Passed(), (std::vector<WPARAM>{ 0xBEEF, 0xBEEF }));
    EXPECT_EQ(HostPassedEventValue(), (WPARAM)0xBEEF);
}

TEST_F(OnEventsTest, OtherBitsNeitherStoreNorSend)
{
    onEvents(editor, kEventSetValue, 0x77);
    static const UINT others[] = { 0x1, 0x8, 0x20, 0x200, 0x800, 0x80000000u, 0xFFFFFBEFu };
    for (UINT bits : others) {
        onEvents(editor, bits, 0x99);
        EXPECT_TRUE(HostMessages().empty()) << "event 0x" << std::hex << bits;
    }
    onEvents(editor, kEventSendValue, 0);
    EXPECT_EQ(Passed(), std::vector<WPARAM>{ 0x77 });
    /* The two bits still work with others beside them. */
    onEvents(editor, 0x1 | kEventSetValue | kEventSendValue | 0x800, 0x42);
    EXPECT_EQ(Passed(), (std::vector<WPARAM>{ 0x77, 0x42 }));
}

/* ---- Windows opened by PlugInProc ---------------------------------------- */

/* A top-level host window with the stand-in editor inside it, and the
   module's settings key, which these requests read, write or delete. */
/* What the uninstall confirmation showed. */
struct MessageBoxView {
    std::wstring caption;
    std::vector<std::wstring> texts;   /* of its static controls */
    bool hasYes, hasNo, hasOk, hasCancel;
    bool warningIcon;
};

MessageBoxView ReadMessageBox(HWND box)
{
    MessageBoxView view;
    view.caption = WindowTextW(box);
    HICON warning = LoadIconW(NULL, (LPCWSTR)IDI_WARNING);
    view.warningIcon = false;
    for (HWND child = GetWindow(box, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR name[32];
        GetClassNameW(child, name, 32);
        if (lstrcmpiW(name, L"Static") != 0)
            continue;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            view.warningIcon = view.warningIcon || (HICON)SendMessageW(child, STM_GETICON, 0, 0) == warning;
        else
            view.texts.push_back(WindowTextW(child));
    }
    HWND yes = GetDlgItem(box, IDYES), no = GetDlgItem(box, IDNO);
    HWND ok = GetDlgItem(box, IDOK), cancel = GetDlgItem(box, IDCANCEL);
    view.hasYes = yes != NULL && IsWindowVisible(yes);
    view.hasNo = no != NULL && IsWindowVisible(no);
    view.hasOk = ok != NULL && IsWindowVisible(ok);
    view.hasCancel = cancel != NULL && IsWindowVisible(cancel);
    return view;
}

class UninstallTest : public ModuleWindowTest {
protected:
    void SetUp() override
    {
        ModuleWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        SetModuleDword(title, "Locale", 0x0409);
        SetModuleDword(title, "Flags", NORM_IGNORECASE);
    }

    /* Sends PP_UNINSTALL and answers the confirmation with button. */
    LRESULT Uninstall(int button, DialogRun* run, MessageBoxView* view)
    {
        return RunDialog([this] { return plugInProc(owner, kUninstall, 0, 0); },
                         [&](HWND box) { *view = ReadMessageBox(box); return button; }, run);
    }
};

TEST_F(UninstallTest, ConfirmationAsksInTheLocaleLanguage)
{
    DialogRun run;
    MessageBoxView view;
    Uninstall(IDNO, &run, &view);
    ASSERT_FALSE(run.timedOut) << "no confirmation showed up";
    ASSERT_NE(run.dialog, nullptr);
    EXPECT_FALSE(run.stuck);
    EXPECT_TRUE(run.visible);
    EXPECT_EQ(run.owner, owner) << "owned by the window passed to PlugInProc";
    EXPECT_TRUE(view.hasYes);
    EXPECT_TRUE(view.hasNo);
    EXPECT_FALSE(view.hasOk);
    EXPECT_FALSE(view.hasCancel);
    EXPECT_TRUE(view.warningIcon);
    const LanguageTexts* language = CurrentLanguage();
    if (language == NULL)
        GTEST_SKIP() << "code page " << GetACP() << " selects none of the module's languages";
    EXPECT_EQ(view.caption, language->name);
    bool promptShown = false;
    for (const std::wstring& text : view.texts)
        promptShown = promptShown || text == language->prompt;
    EXPECT_TRUE(promptShown) << "the prompt is not among the " << view.texts.size() << " texts";
}

TEST_F(UninstallTest, NoKeepsTheSettings)
{
    DialogRun run;
    MessageBoxView view;
    LRESULT result = Uninstall(IDNO, &run, &view);
    ASSERT_NE(run.dialog, nullptr) << "no confirmation showed up";
    EXPECT_FALSE(run.stuck);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ModuleKeyExists(title));
    EXPECT_EQ(CountValues(title), 2u);
}

TEST_F(UninstallTest, YesDeletesOnlyTheModuleKeyAndTheNextSortUsesDefaults)
{
    const std::wstring text = L"b\r\nA\r\na\r\nB\r\n";
    const std::wstring foldedOrder = L"b\r\nB\r\nA\r\na\r\n";
    ASSERT_EQ(Sort(text), foldedOrder) << "the stored ignore-case flag must apply before";

    DialogRun run;
    MessageBoxView view;
    LRESULT result = Uninstall(IDYES, &run, &view);
    ASSERT_NE(run.dialog, nullptr) << "no confirmation showed up";
    EXPECT_FALSE(run.stuck);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(ModuleKeyExists(title));
    EXPECT_TRUE(PluginsKeyExists()) << "the plug-ins key is the host's";

    EXPECT_NE(Sort(text), foldedOrder) << "the deleted flag still applied";
    EXPECT_TRUE(ModuleKeyExists(title)) << "the sort reads, and so recreates, the key";
    EXPECT_EQ(CountValues(title), 0u);
}

TEST_F(UninstallTest, YesDeletesKeysMadeInsideTheModuleKey)
{
    SetModuleDword(title + "\\Hand made\\Deeper", "Extra", 1);
    SetModuleDword(title + "\\Second", "Extra", 2);
    DialogRun run;
    MessageBoxView view;
    LRESULT result = Uninstall(IDYES, &run, &view);
    ASSERT_NE(run.dialog, nullptr) << "no confirmation showed up";
    EXPECT_FALSE(ModuleKeyExists(title)) << "the key stayed behind its subkeys";
    EXPECT_EQ(result, 1);
}

TEST_F(UninstallTest, ConfirmationThatCannotShowKeepsTheSettings)
{
    /* MessageBox fails over a window that no longer exists: no answer is no yes. */
    HWND gone = CreateOwnerWindow();
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    DialogRun run;
    LRESULT result = RunDialog([&] { return plugInProc(gone, kUninstall, 0, 0); },
                               [](HWND) { return IDYES; }, &run);
    ASSERT_EQ(run.dialog, nullptr) << "a confirmation showed up over a destroyed window";
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(ModuleKeyExists(title));
    EXPECT_EQ(CountValues(title), 2u);
}

TEST_F(UninstallTest, YesWithoutAKeyStillAnswersOne)
{
    DeleteModuleKey(title);
    DialogRun run;
    MessageBoxView view;
    LRESULT result = Uninstall(IDYES, &run, &view);
    ASSERT_NE(run.dialog, nullptr) << "no confirmation showed up";
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(ModuleKeyExists(title));
}

class ShowPropertiesTest : public ModuleWindowTest {};

TEST_F(ShowPropertiesTest, OpensModallyOverTheGivenWindowAndAnswersOne)
{
    static const int buttons[] = { IDOK, IDCANCEL };
    for (int button : buttons) {
        DialogRun run;
        bool isPropertiesDialog = false;
        LRESULT result = RunDialog(
            [this] { return plugInProc(owner, kShowProperties, 0, 0); },
            [&](HWND dialog) {
                HWND locales = GetDlgItem(dialog, 1000);
                isPropertiesDialog = locales != NULL && locales == FindChildOfClass(dialog, L"ComboBox");
                return button;
            },
            &run);
        ASSERT_FALSE(run.timedOut) << "no dialog showed up";
        ASSERT_NE(run.dialog, nullptr);
        EXPECT_FALSE(run.stuck) << "button " << button << " did not close it";
        EXPECT_TRUE(isPropertiesDialog);
        EXPECT_EQ(run.owner, owner);
        EXPECT_TRUE(run.visible);
        EXPECT_FALSE(run.ownerEnabled) << "modal: the owner takes no input meanwhile";
        EXPECT_TRUE(IsWindowEnabled(owner)) << "and takes it again afterwards";
        EXPECT_FALSE(IsWindow(run.dialog));
        EXPECT_EQ(result, 1) << "button " << button;
    }
}

}  // namespace
