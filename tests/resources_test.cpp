/*
** Tests of the resources that the ZtoA module carries: the string table and
** the properties dialog in Simplified and Traditional Chinese, in Japanese
** and in English (for every other system), the version resource and the toolbar bitmaps.
**
** Usage:  resources_test.exe <path of the module> [GoogleTest flags]
**    or:  set ZTOA_DLL=<path of the module>, then resources_test.exe
**
** The module is loaded as a data file: none of its code runs, and a test
** built for another processor architecture than the module can still read
** its resources.
**
** The expected texts below are written out here on purpose instead of being
** taken from the resource scripts, so that a wrong byte in a script or a
** wrong input code page of the resource compiler shows up as a failure.
*/

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "../resources/resource.h"

namespace {

HMODULE g_module = nullptr;

/*
** The identifiers are part of the contract with the host, which loads the
** strings and bitmaps by number; they must not drift.
*/

static_assert(IDS_UNINSTALL_PROMPT == 1, "string id");
static_assert(IDS_VERSION == 2, "string id");
static_assert(IDS_MENU_TEXT_ASCENDING == 3, "string id");
static_assert(IDS_STATUS_ASCENDING == 4, "string id");
static_assert(IDS_MENU_TEXT == 5, "string id");
static_assert(IDS_STATUS_MESSAGE == 6, "string id");
static_assert(IDS_NO_MEMORY == 7, "string id");
static_assert(IDS_UNMOVABLE_LINE == 8, "string id");
static_assert(IDS_SETTINGS_REJECTED == 9, "string id");
static_assert(IDS_EDITOR_DISAGREES == 10, "string id");
static_assert(IDS_REWRITE_UNVERIFIED == 11, "string id");
static_assert(IDS_NOT_DELETED == 12, "string id");
static_assert(IDS_SAVE_FAILED == 13, "string id");
static_assert(IDB_TOOLBAR == 101, "bitmap id");
static_assert(IDD_PROPERTIES == 103, "dialog id");
static_assert(IDC_LOCALE == 1000, "control id");
static_assert(IDC_IGNORE_CASE == 1001, "control id");
static_assert(IDC_IGNORE_KANA == 1002, "control id");
static_assert(IDC_IGNORE_NONSPACE == 1003, "control id");
static_assert(IDC_IGNORE_SYMBOLS == 1004, "control id");
static_assert(IDC_IGNORE_WIDTH == 1005, "control id");
static_assert(IDC_STRING_SORT == 1006, "control id");
static_assert(IDC_DIGITS_AS_NUMBERS == 1007, "control id");

const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
const WORD kTraditional = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
static_assert(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED) == 0x0804,
              "Chinese (PRC)");
static_assert(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT) == 0x0411,
              "Japanese");

/* A language the module holds: the ANSI code page of its own systems, its dialog's font. */
struct Language {
    WORD id;
    const char* name;
    UINT codePage;
    int pointSize;
    const wchar_t* face;
};

const Language kLanguages[] = {
    {kChinese, "Chinese", 936, 8, L"Tahoma"},
    {kTraditional, "Traditional", 950, 9, L"MS Shell Dlg"},
    {kJapanese, "Japanese", 932, 9, L"ＭＳ Ｐゴシック"},
    {kEnglish, "English", 1252, 8, L"MS Shell Dlg"},
};

/* The row of kLanguages for language (English for one it does not hold). */
const Language& LanguageOf(WORD language) {
    for (const Language& l : kLanguages) {
        if (l.id == language) return l;
    }
    return kLanguages[3];
}

std::string LanguageName(const testing::TestParamInfo<Language>& info) {
    return info.param.name;
}

void PrintTo(const Language& language, std::ostream* os) {
    *os << language.name;
}

/* Expected texts; a null text is a string the language does not hold. */

struct StringText {
    UINT id;
    const wchar_t* chinese;
    const wchar_t* japanese;
    const wchar_t* english;
    const wchar_t* traditional;
};

const StringText kStrings[] = {
    {1, L"你确实想要卸载这个插件吗?",
        L"アンインストールを実行します。よろしいですか?",
        L"Do you really want to uninstall this plug-in?",
        L"您確定要解除安裝這個外掛程式嗎?"},
    {2, L"1.02", L"1.02", L"1.02", L"1.02"},
    {3, L"字符排序 (升序)", L"文字列を昇順に並べ替え", L"Sort Lines (Ascending)",
        L"字元排序 (遞增)"},
    {4, L"使用指定的选项将选中的文字按升序进行排序",
        L"文字列を設定した方法で昇順に並べ替えます",
        L"Sorts the selected lines into ascending order with the chosen options",
        L"使用指定的選項將選取的文字依遞增順序排序"},
    {5, L"字符排序 (降序)", L"文字列を降順に並べ替え", L"Sort Lines (Descending)",
        L"字元排序 (遞減)"},
    {6, L"使用指定的选项将选中的文字按降序进行排序",
        L"文字列を設定した方法で降順に並べ替えます",
        L"Sorts the selected lines into descending order with the chosen options",
        L"使用指定的選項將選取的文字依遞減順序排序"},
    {7, L"内存不足，无法对这些行进行排序。文档未被更改。",
        L"メモリが不足しているため、行を並べ替えられませんでした。文書は変更されていません。",
        L"There is not enough memory to sort these lines. The document was not changed.",
        L"記憶體不足，無法排序這些行。文件未變更。"},
    {8, L"选中的行中有无法原样移动的行（含有 NUL 字符的行，或以单独的 CR 结尾、"
        L"又会紧接在以 LF 结尾的空行之前的行），因此没有排序。文档未被更改。",
        L"選択範囲に、そのままでは移動できない行（NUL 文字を含む行、または単独の CR で終わり、"
        L"LF で終わる空行の直前に来る行）があるため、並べ替えませんでした。文書は変更されていません。",
        L"A selected line cannot be moved as it is (it holds a NUL character, or it ends in "
        L"a lone CR and would come just before an empty line that ends in LF), so the lines "
        L"were not sorted. The document was not changed.",
        L"選取的行中有無法原樣移動的行（含有 NUL 字元的行，或以單獨的 CR 結尾、"
        L"又會緊接在以 LF 結尾的空行之前的行），因此沒有排序。文件未變更。"},
    {9, L"Windows 不接受已保存的区域设置或选项，因此没有排序。请在属性中重新设置。文档未被更改。",
        L"保存されているロケールまたはオプションを Windows が受け付けないため、並べ替えませんでした。"
        L"プロパティで設定し直してください。文書は変更されていません。",
        L"Windows does not accept the saved locale or options, so the lines were not sorted. "
        L"Set them again in the properties. The document was not changed.",
        L"Windows 不接受已儲存的地區設定或選項，因此沒有排序。請在內容中重新設定。文件未變更。"},
    {10, L"编辑器返回的所选行信息前后不一致，因此没有排序。文档未被更改。",
        L"選択範囲の行についてエディターの応答が一致しなかったため、並べ替えませんでした。"
        L"文書は変更されていません。",
        L"The editor's answers about the selected lines did not agree, so they were not "
        L"sorted. The document was not changed.",
        L"編輯器傳回的選取行資訊前後不一致，因此沒有排序。文件未變更。"},
    {11, L"排序后文档中的行与预期不符。请使用“撤消”恢复原来的文本。",
        L"並べ替えた後の文書の行が想定と一致しません。元に戻す操作で以前の内容に戻してください。",
        L"After sorting, the document does not hold the lines as expected. Use Undo to get "
        L"the previous text back.",
        L"排序後文件中的行與預期不符。請使用「復原」取回先前的文字。"},
    {12, L"编辑器没有按要求删除所选的行，因此没有插入排序后的行。请检查文档；如果文档已被更改，请使用“撤消”恢复。",
        L"エディターが選択範囲の行を指示どおりに削除しなかったため、並べ替えた行を挿入しませんでした。"
        L"文書を確認し、変更されている場合は元に戻す操作で以前の内容に戻してください。",
        L"The editor did not delete the selected lines as asked, so the sorted lines were not "
        L"inserted. Check the document, and use Undo if it has changed.",
        L"編輯器沒有依要求刪除選取的行，因此沒有插入排序後的行。請檢查文件，如果文件已變更，請使用「復原」。"},
    {13, L"无法将设置保存到注册表，因此没有保存任何设置。之前的设置仍然有效。",
        L"設定をレジストリに保存できなかったため、何も保存されていません。以前の設定がそのまま有効です。",
        L"The settings could not be saved in the registry, so nothing was stored. The previous "
        L"settings stay in effect.",
        L"無法將設定儲存到登錄檔，因此沒有儲存任何設定。先前的設定仍然有效。"},
};

const wchar_t* TextIn(const StringText& s, WORD language) {
    return language == kChinese ? s.chinese : language == kTraditional ? s.traditional
           : language == kJapanese ? s.japanese : s.english;
}

/* Atoms of the predefined window classes in a dialog template. */
const WORD kButtonAtom = 0x0080;
const WORD kStaticAtom = 0x0082;
const WORD kComboBoxAtom = 0x0085;

struct ExpectedControl {
    int id;
    WORD classAtom;
    const wchar_t* className;
    DWORD style;
    short x, y, cx, cy;
    const wchar_t* chinese;
    const wchar_t* japanese;
    const wchar_t* english;
    const wchar_t* traditional;
};

/* The text of a control in the language, or null where it does not hold it. */
const wchar_t* ControlText(const ExpectedControl& c, WORD language) {
    return language == kChinese ? c.chinese : language == kTraditional ? c.traditional
           : language == kJapanese ? c.japanese : c.english;
}

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kCheckBox = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;

const ExpectedControl kControls[] = {
    {-1, kStaticAtom, L"Static", kChild | WS_GROUP,
     8, 8, 144, 8, L"国家(&L):", L"ロケール(&L):", L"&Locale:", L"地區設定(&L):"},
    {1000, kComboBoxAtom, L"ComboBox",
     kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP,
     8, 20, 192, 204, L"", L"", L"", L""},
    {1001, kButtonAtom, L"Button", kCheckBox,
     8, 52, 252, 10, L"忽略大小写(&I)", L"大文字、小文字を区別しない(&I)",
     L"Ignore &case", L"忽略大小寫(&I)"},
    {1002, kButtonAtom, L"Button", kCheckBox,
     8, 68, 252, 10, L"不区分平假名和片假名字符(&K)",
     L"ひらがな、カタカナを区別しない(&K)",
     L"Ignore &kana type (hiragana = katakana)", L"不區分平假名與片假名(&K)"},
    {1003, kButtonAtom, L"Button", kCheckBox,
     8, 84, 252, 10, L"忽略非空格字符(&N)",
     L"場所を取らない文字を区別しない(&N)",
     L"Ignore &nonspacing characters (accents)", L"忽略非間距字元(&N)"},
    {1004, kButtonAtom, L"Button", kCheckBox,
     8, 100, 252, 10, L"忽略符号(&S)", L"記号を区別しない(&S)",
     L"Ignore &symbols", L"忽略符號(&S)"},
    {1005, kButtonAtom, L"Button", kCheckBox,
     8, 116, 252, 10, L"不区分半角和全角字符(&W)",
     L"全角、半角を区別しない(&W)",
     L"Ignore &width (full width = half width)", L"不區分全形與半形字元(&W)"},
    {1006, kButtonAtom, L"Button", kCheckBox,
     8, 132, 252, 10, L"将标点符号作为符号处理",
     L"句読点を記号と同様に扱う(&T)",
     L"&Treat punctuation as symbols", L"將標點符號視為符號(&T)"},
    {1007, kButtonAtom, L"Button", kCheckBox,
     8, 148, 252, 10, L"将数字作为数值处理(&D)", L"数字を数値として扱う(&D)",
     L"Treat &digits as numbers", L"將數字視為數值(&D)"},
    {1008, kButtonAtom, L"Button", kCheckBox,
     8, 164, 252, 10, L"按行首的数值排序(&U)", L"行頭の数値の大きさで並べ替える(&U)",
     L"Sort by the n&umber at the start of each line", L"依每行開頭的數字排序(&U)"},
    {IDOK, kButtonAtom, L"Button", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP,
     208, 8, 50, 14, L"确定", L"OK", L"OK", L"確定"},
    {IDCANCEL, kButtonAtom, L"Button", kChild | BS_PUSHBUTTON | WS_TABSTOP,
     208, 25, 50, 14, L"取消", L"キャンセル", L"Cancel", L"取消"},
};

/* Resource access. */

struct Blob {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Blob FindBlob(LPCSTR type, WORD name, WORD language) {
    Blob blob;
    HRSRC info = FindResourceExA(g_module, type, MAKEINTRESOURCEA(name),
                                 language);
    if (info == nullptr) return blob;
    HGLOBAL handle = LoadResource(g_module, info);
    if (handle == nullptr) return blob;
    blob.data = static_cast<const BYTE*>(LockResource(handle));
    blob.size = SizeofResource(g_module, info);
    return blob;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language,
                              LONG_PTR param) {
    reinterpret_cast<std::set<WORD>*>(param)->insert(language);
    return TRUE;
}

std::set<WORD> LanguagesOf(LPCSTR type, WORD name) {
    std::set<WORD> languages;
    EnumResourceLanguagesA(g_module, type, MAKEINTRESOURCEA(name),
                           CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

/*
** The strings of one string-table block, 16 of them; an absent string is
** empty. Returns false if the block is missing or malformed.
*/
bool ReadStringBlock(WORD block, WORD language,
                     std::vector<std::wstring>* out) {
    Blob blob = FindBlob(RT_STRING, block, language);
    if (blob.data == nullptr) return false;
    out->clear();
    DWORD offset = 0;
    for (int i = 0; i < 16; ++i) {
        if (offset + 2 > blob.size) return false;
        WORD length;
        std::memcpy(&length, blob.data + offset, 2);
        offset += 2;
        if (offset + 2u * length > blob.size) return false;
        std::wstring text(length, L'\0');
        std::memcpy(&text[0], blob.data + offset, 2u * length);
        offset += 2u * length;
        out->push_back(text);
    }
    return true;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(codePage, 0, text.c_str(),
                                   static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string bytes(size, '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(),
                        static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

/* Printable form of a wide string for failure messages (UTF-8). */
std::string Utf8(const std::wstring& text) {
    std::string bytes = Narrow(text, CP_UTF8);
    return bytes.empty() && !text.empty() ? "<unconvertible>" : bytes;
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", c);
        out += buffer;
    }
    return out;
}

/* Dialog templates (DLGTEMPLATE and DLGTEMPLATEEX). */

struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;
};

struct DialogItem {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    NameOrOrdinal windowClass, text;
};

struct Dialog {
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    WORD count = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu, windowClass, title;
    WORD pointSize = 0;
    std::wstring face;
    std::vector<DialogItem> items;
};

class Reader {
public:
    explicit Reader(Blob blob) : blob_(blob) {}
    bool ok() const { return ok_; }
    DWORD offset() const { return offset_; }

    WORD Word() {
        WORD value = 0;
        Take(&value, 2);
        return value;
    }
    DWORD DWord() {
        DWORD value = 0;
        Take(&value, 4);
        return value;
    }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() {
        BYTE value = 0;
        Take(&value, 1);
        return value;
    }
    void Skip(DWORD count) {
        if (offset_ + count > blob_.size) ok_ = false;
        else offset_ += count;
    }
    void AlignToDWord() { Skip((4 - offset_ % 4) % 4); }

    std::wstring String() {
        std::wstring text;
        for (;;) {
            WORD c = Word();
            if (!ok_ || c == 0) return text;
            text += static_cast<wchar_t>(c);
        }
    }
    NameOrOrdinal NameOrOrd() {
        NameOrOrdinal result;
        WORD first = Word();
        if (first == 0xFFFF) {
            result.isOrdinal = true;
            result.ordinal = Word();
        } else if (first != 0) {
            result.name = static_cast<wchar_t>(first) + String();
        }
        return result;
    }

private:
    void Take(void* value, DWORD count) {
        if (!ok_ || offset_ + count > blob_.size) {
            ok_ = false;
            return;
        }
        std::memcpy(value, blob_.data + offset_, count);
        offset_ += count;
    }

    Blob blob_;
    DWORD offset_ = 0;
    bool ok_ = true;
};

bool ParseDialog(Blob blob, Dialog* dialog) {
    Reader in(blob);
    WORD first = in.Word(), second = in.Word();
    dialog->extended = first == 1 && second == 0xFFFF;
    if (dialog->extended) {
        in.DWord();  /* help id */
        dialog->exStyle = in.DWord();
        dialog->style = in.DWord();
    } else {
        dialog->style = first | static_cast<DWORD>(second) << 16;
        dialog->exStyle = in.DWord();
    }
    dialog->count = in.Word();
    dialog->x = in.Short();
    dialog->y = in.Short();
    dialog->cx = in.Short();
    dialog->cy = in.Short();
    dialog->menu = in.NameOrOrd();
    dialog->windowClass = in.NameOrOrd();
    dialog->title = in.NameOrOrd();
    if (dialog->style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog->pointSize = in.Word();
        if (dialog->extended) {
            in.Word();  /* weight */
            in.Byte();  /* italic */
            in.Byte();  /* character set */
        }
        dialog->face = in.String();
    }
    for (WORD i = 0; i < dialog->count && in.ok(); ++i) {
        DialogItem item;
        in.AlignToDWord();
        if (dialog->extended) {
            in.DWord();  /* help id */
            item.exStyle = in.DWord();
            item.style = in.DWord();
        } else {
            item.style = in.DWord();
            item.exStyle = in.DWord();
        }
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = dialog->extended ? static_cast<int>(in.DWord())
                                   : static_cast<short>(in.Word());
        item.windowClass = in.NameOrOrd();
        item.text = in.NameOrOrd();
        in.Skip(in.Word());  /* creation data */
        dialog->items.push_back(item);
    }
    return in.ok();
}

bool IsClass(const NameOrOrdinal& windowClass, WORD atom,
             const wchar_t* name) {
    if (windowClass.isOrdinal) return windowClass.ordinal == atom;
    return lstrcmpiW(windowClass.name.c_str(), name) == 0;
}

std::string Describe(const NameOrOrdinal& value) {
    if (value.isOrdinal) return "#" + std::to_string(value.ordinal);
    return "\"" + Utf8(value.name) + "\"";
}

/* Bitmaps. */

struct Rgb {
    BYTE r, g, b;
    bool operator<(const Rgb& o) const {
        return r != o.r ? r < o.r : g != o.g ? g < o.g : b < o.b;
    }
    bool operator==(const Rgb& o) const {
        return r == o.r && g == o.g && b == o.b;
    }
};

const Rgb kSilver = {192, 192, 192};
const Rgb kBlack = {0, 0, 0};
const Rgb kNavy = {0, 0, 128};
const Rgb kMagenta = {255, 0, 255};
const Rgb kTile = {147, 183, 243};
const Rgb kArrow = {46, 146, 25};
const Rgb kDeepTile = {122, 164, 239};
const Rgb kDarkArrow = {26, 121, 12};

std::string Describe(const Rgb& c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " +
           std::to_string(c.b) + ")";
}

void PrintTo(const Rgb& c, std::ostream* os) { *os << Describe(c); }

/* A strongly blue colour, as opposed to the light-blue tiles. */
bool IsBlue(const Rgb& c) {
    return c.b >= 96 && c.r * 2 < c.b && c.g * 2 < c.b;
}

enum class Look { Classic, Grayed, Normal, Dark };

struct ExpectedBitmap {
    WORD id;
    LONG width, height;
    WORD bits;
    Look look;
};

const ExpectedBitmap kBitmaps[] = {
    {101, 16, 15, 4, Look::Classic}, {104, 24, 24, 4, Look::Classic},
    {105, 16, 16, 8, Look::Grayed},  {106, 16, 16, 8, Look::Normal},
    {107, 16, 16, 8, Look::Dark},    {108, 16, 16, 32, Look::Grayed},
    {109, 16, 16, 32, Look::Normal}, {111, 16, 16, 32, Look::Dark},
    {112, 24, 24, 8, Look::Grayed},  {113, 24, 24, 8, Look::Normal},
    {114, 24, 24, 8, Look::Dark},    {115, 24, 24, 32, Look::Grayed},
    {116, 24, 24, 32, Look::Normal}, {117, 24, 24, 32, Look::Dark},
};

std::string BitmapName(const testing::TestParamInfo<ExpectedBitmap>& info) {
    return "Bitmap" + std::to_string(info.param.id);
}

void PrintTo(const ExpectedBitmap& bitmap, std::ostream* os) {
    *os << "bitmap " << bitmap.id;
}

/* A decoded bitmap, top row first. */
struct Picture {
    LONG width = 0, height = 0;
    std::vector<Rgb> colour;
    std::vector<BYTE> alpha;  /* 255 for bitmaps without alpha */
    const Rgb& At(LONG x, LONG y) const { return colour[y * width + x]; }
    BYTE AlphaAt(LONG x, LONG y) const { return alpha[y * width + x]; }
    bool IsCorner(LONG x, LONG y) const {
        return (x == 0 || x == width - 1) && (y == 0 || y == height - 1);
    }
};

/* Checks the header of a BI_RGB bitmap resource and decodes its pixels. */
void Decode(const ExpectedBitmap& bitmap, Picture* picture) {
    Blob blob = FindBlob(RT_BITMAP, bitmap.id,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_NE(blob.data, nullptr) << "bitmap " << bitmap.id << " is missing";
    ASSERT_GE(blob.size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, blob.data, sizeof header);
    ASSERT_EQ(header.biSize, 40u);
    ASSERT_EQ(header.biWidth, bitmap.width);
    ASSERT_EQ(header.biHeight, bitmap.height)
        << "height must be positive (bottom-up)";
    ASSERT_EQ(header.biPlanes, 1);
    ASSERT_EQ(header.biBitCount, bitmap.bits);
    ASSERT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));

    DWORD paletteSize = 0;
    if (bitmap.bits <= 8) {
        DWORD maximum = 1u << bitmap.bits;
        ASSERT_LE(header.biClrUsed, maximum);
        paletteSize = header.biClrUsed != 0 ? header.biClrUsed : maximum;
    } else {
        ASSERT_EQ(header.biClrUsed, 0u) << "no palette for true colour";
    }
    const BYTE* palette = blob.data + header.biSize;
    DWORD stride = (bitmap.width * bitmap.bits + 31) / 32 * 4;
    DWORD bitsOffset = header.biSize + 4 * paletteSize;
    ASSERT_GE(blob.size, bitsOffset + stride * bitmap.height)
        << "pixel data is cut short";
    const BYTE* bits = blob.data + bitsOffset;

    picture->width = bitmap.width;
    picture->height = bitmap.height;
    picture->colour.assign(bitmap.width * bitmap.height, Rgb{});
    picture->alpha.assign(bitmap.width * bitmap.height, 255);
    for (LONG y = 0; y < bitmap.height; ++y) {
        const BYTE* row = bits + (bitmap.height - 1 - y) * stride;  /* bottom-up */
        for (LONG x = 0; x < bitmap.width; ++x) {
            Rgb& colour = picture->colour[y * bitmap.width + x];
            if (bitmap.bits == 32) {
                colour = {row[4 * x + 2], row[4 * x + 1], row[4 * x]};
                picture->alpha[y * bitmap.width + x] = row[4 * x + 3];
                continue;
            }
            DWORD index = bitmap.bits == 8
                              ? row[x]
                              : (x % 2 == 0 ? row[x / 2] >> 4
                                            : row[x / 2] & 0x0F);
            ASSERT_LT(index, paletteSize)
                << "pixel (" << x << ", " << y << ") is outside the palette";
            const BYTE* entry = palette + 4 * index;
            colour = {entry[2], entry[1], entry[0]};
        }
    }
}

/* The x range and the widest row of the pixels of one colour. */
struct Extent {
    int count = 0;
    LONG minX = 0, maxX = 0;
    LONG widestRow = -1;
};

Extent ExtentOf(const Picture& picture, bool (*match)(const Rgb&, const Rgb&),
                const Rgb& wanted) {
    Extent extent;
    int widest = 0;
    for (LONG y = 0; y < picture.height; ++y) {
        int inRow = 0;
        for (LONG x = 0; x < picture.width; ++x) {
            if (picture.IsCorner(x, y) || !match(picture.At(x, y), wanted))
                continue;
            if (extent.count == 0 || x < extent.minX) extent.minX = x;
            if (extent.count == 0 || x > extent.maxX) extent.maxX = x;
            ++extent.count;
            ++inRow;
        }
        if (inRow > widest) {
            widest = inRow;
            extent.widestRow = y;
        }
    }
    return extent;
}

bool Same(const Rgb& a, const Rgb& b) { return a == b; }
bool BlueLike(const Rgb& a, const Rgb&) { return IsBlue(a); }

/* String table. */

class StringTableTest : public testing::TestWithParam<Language> {};

TEST_P(StringTableTest, HoldsEachTextExactly) {
    const WORD language = GetParam().id;
    std::vector<std::wstring> block;
    ASSERT_TRUE(ReadStringBlock(1, language, &block))
        << "string block 1 is missing or malformed";
    for (const StringText& s : kStrings) {
        SCOPED_TRACE("string " + std::to_string(s.id));
        const wchar_t* text = TextIn(s, language);
        const std::wstring expected = text != nullptr ? text : L"";
        const std::wstring& actual = block[s.id % 16];
        EXPECT_EQ(actual, expected)
            << "actual:   " << Utf8(actual) << "\nexpected: "
            << Utf8(expected);
    }
}

TEST_P(StringTableTest, HoldsNoOtherStrings) {
    std::vector<std::wstring> block;
    ASSERT_TRUE(ReadStringBlock(1, GetParam().id, &block));
    for (UINT id = 0; id < 16; ++id) {
        if (id >= 1 && id <= ARRAYSIZE(kStrings)) continue;
        EXPECT_TRUE(block[id].empty()) << "unexpected string " << id << ": "
                                       << Utf8(block[id]);
    }
}

/*
** The module reads the name, the version and the uninstall prompt into
** 80-byte buffers, and the dialog caption and its messages into 256-byte
** ones, in the ANSI code page of the language's own systems.
*/
TEST_P(StringTableTest, AnsiTextsFitTheModulesBuffers) {
    const WORD language = GetParam().id;
    const UINT codePage = LanguageOf(language).codePage;
    const struct {
        UINT id;
        size_t buffer;
    } uses[] = {{IDS_MENU_TEXT, 80},
                {IDS_VERSION, 80},
                {IDS_UNINSTALL_PROMPT, 80},
                {IDS_MENU_TEXT, 256},
                {IDS_NO_MEMORY, 256},
                {IDS_UNMOVABLE_LINE, 256},
                {IDS_SETTINGS_REJECTED, 256},
                {IDS_EDITOR_DISAGREES, 256},
                {IDS_REWRITE_UNVERIFIED, 256},
                {IDS_NOT_DELETED, 256},
                {IDS_SAVE_FAILED, 256}};
    std::vector<std::wstring> block;
    ASSERT_TRUE(ReadStringBlock(1, language, &block));
    for (const auto& use : uses) {
        if (TextIn(kStrings[use.id - 1], language) == nullptr) continue;
        std::string ansi = Narrow(block[use.id], codePage);
        ASSERT_FALSE(ansi.empty()) << "string " << use.id;
        EXPECT_LT(ansi.size(), use.buffer) << "string " << use.id;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, StringTableTest,
                         testing::ValuesIn(kLanguages), LanguageName);

TEST(StringTableLanguageTest, ExistsInExactlyTheFourLanguages) {
    EXPECT_EQ(LanguagesOf(RT_STRING, 1),
              (std::set<WORD>{kChinese, kTraditional, kJapanese, kEnglish}));
}

/*
** LoadStringA converts the text to the ANSI code page. The expectation is
** taken from the code page: Japanese under 932, Chinese under 936,
** Traditional Chinese under 950, English under 1252.
**
** Which language LoadStringA picks is up to the system: Windows goes by the
** thread's UI language, Wine by the thread's locale and then the user's
** locale (both from LC_MESSAGES/LANG); with neither Chinese nor Japanese
** among them, both fall back to US English. The thread is set to the
** language of the code page in both respects, as on a system of that
** language, and put back afterwards.
*/
TEST(AnsiStringTest, LoadStringAReturnsTheTextInTheAnsiCodePage) {
    const UINT codePage = GetACP();
    const Language* row = nullptr;
    for (const Language& l : kLanguages) {
        if (l.codePage == codePage) row = &l;
    }
    if (row == nullptr) {
        GTEST_SKIP() << "ANSI code page " << codePage
                     << " is none of 932, 936, 950 and 1252";
    }
    const WORD language = row->id;
    const LANGID system = row->id;
    struct ThreadLanguage {
        LCID locale = GetThreadLocale();
        LANGID ui = GetThreadUILanguage();
        ~ThreadLanguage() {
            SetThreadLocale(locale);
            SetThreadUILanguage(ui);
        }
    } restore;
    SetThreadLocale(MAKELCID(system, SORT_DEFAULT));
    SetThreadUILanguage(system);
    for (const StringText& s : kStrings) {
        SCOPED_TRACE("string " + std::to_string(s.id));
        if (TextIn(s, language) == nullptr) continue;
        const std::string expected = Narrow(TextIn(s, language), CP_ACP);
        ASSERT_FALSE(expected.empty());
        char buffer[256];
        std::memset(buffer, 0x55, sizeof buffer);
        int length = LoadStringA(g_module, s.id, buffer, sizeof buffer);
        ASSERT_GT(length, 0);
        const std::string actual(buffer, length);
        EXPECT_EQ(buffer[length], '\0');
        EXPECT_EQ(actual, expected) << "actual:   " << Hex(actual)
                                    << "\nexpected: " << Hex(expected);
    }
}

/* Properties dialog. */

class DialogTest : public testing::TestWithParam<Language> {};

TEST_P(DialogTest, MatchesTheLayout) {
    const WORD language = GetParam().id;
    Blob blob = FindBlob(RT_DIALOG, 103, language);
    ASSERT_NE(blob.data, nullptr) << "dialog 103 is missing";
    Dialog dialog;
    ASSERT_TRUE(ParseDialog(blob, &dialog)) << "malformed dialog template";

    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION |
                                               WS_SYSMENU | DS_MODALFRAME |
                                               DS_SETFONT));
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 266);
    EXPECT_EQ(dialog.cy, 183);
    EXPECT_FALSE(dialog.menu.isOrdinal || !dialog.menu.name.empty())
        << "menu " << Describe(dialog.menu);
    EXPECT_FALSE(dialog.windowClass.isOrdinal ||
                 !dialog.windowClass.name.empty())
        << "class " << Describe(dialog.windowClass);
    EXPECT_FALSE(dialog.title.isOrdinal || !dialog.title.name.empty())
        << "caption " << Describe(dialog.title);
    EXPECT_EQ(dialog.pointSize, LanguageOf(language).pointSize);
    EXPECT_EQ(dialog.face, LanguageOf(language).face) << Utf8(dialog.face);

    /* The controls the language holds, in the template's (tab) order. */
    std::vector<const ExpectedControl*> controls;
    for (const ExpectedControl& want : kControls) {
        if (ControlText(want, language) != nullptr) controls.push_back(&want);
    }
    ASSERT_EQ(dialog.items.size(), controls.size());
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const ExpectedControl& want = *controls[i];
        const DialogItem& item = dialog.items[i];
        SCOPED_TRACE("control " + std::to_string(want.id));
        EXPECT_EQ(item.id, want.id);
        EXPECT_TRUE(IsClass(item.windowClass, want.classAtom, want.className))
            << "class " << Describe(item.windowClass);
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        const std::wstring text = ControlText(want, language);
        EXPECT_FALSE(item.text.isOrdinal) << "text " << Describe(item.text);
        EXPECT_EQ(item.text.name, text)
            << "actual:   " << Utf8(item.text.name)
            << "\nexpected: " << Utf8(text);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogTest,
                         testing::ValuesIn(kLanguages), LanguageName);

TEST(DialogLanguageTest, ExistsInExactlyTheFourLanguages) {
    EXPECT_EQ(LanguagesOf(RT_DIALOG, 103),
              (std::set<WORD>{kChinese, kTraditional, kJapanese, kEnglish}));
}

/* Version resource. */

/*
** What a file's Properties sheet shows, in each of the four string tables
** that the translation list names: the release "1.02.1" (the file version
** 1.2.1.0), the file's own name, the description and the copyright.
*/
TEST(VersionResourceTest, NamesTheReleaseInEachLanguage) {
    Blob blob = FindBlob(RT_VERSION, 1, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_NE(blob.data, nullptr) << "version resource 1 is missing";
    /* VerQueryValue wants a writable copy. */
    std::vector<BYTE> copy(blob.data, blob.data + blob.size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    ASSERT_EQ(size, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    WORD* translations = nullptr;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translations), &size));
    const struct {
        WORD language;
        const wchar_t* description;
        const wchar_t* copyright;
    } tables[] = {
        {kChinese, L"ZtoA：Quillon 的字符排序 (降序) 插件",
         L"Copyright (c) The ZtoA authors. MIT 许可证。"},
        {kTraditional, L"ZtoA：Quillon 的字元排序 (遞減) 外掛程式",
         L"Copyright (c) The ZtoA authors. MIT 授權條款。"},
        {kJapanese, L"ZtoA：文字列を降順に並べ替える Quillon 用プラグイン",
         L"Copyright (c) The ZtoA authors. MIT ライセンス。"},
        {kEnglish, L"ZtoA: sorts lines in descending order, a Quillon plug-in",
         L"Copyright (c) The ZtoA authors. MIT License."},
    };
    ASSERT_EQ(size, 4u * ARRAYSIZE(tables));
    for (size_t i = 0; i < ARRAYSIZE(tables); ++i) {
        EXPECT_EQ(translations[2 * i], tables[i].language);
        EXPECT_EQ(translations[2 * i + 1], 1200);
        wchar_t prefix[64];
        swprintf(prefix, 64, L"\\StringFileInfo\\%04X04B0\\", tables[i].language);
        const struct {
            const wchar_t* name;
            const wchar_t* value;
        } values[] = {{L"FileVersion", L"1.02.1"}, {L"ProductVersion", L"1.02.1"},
                      {L"ProductName", L"ZtoA"}, {L"OriginalFilename", L"ZtoA.dll"},
                      {L"LegalCopyright", tables[i].copyright},
                      {L"FileDescription", tables[i].description}};
        for (const auto& value : values) {
            SCOPED_TRACE(Utf8(std::wstring(prefix) + value.name));
            wchar_t* text = nullptr;
            ASSERT_TRUE(VerQueryValueW(copy.data(), (std::wstring(prefix) + value.name).c_str(),
                                       reinterpret_cast<void**>(&text), &size));
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(std::wstring(text), value.value) << Utf8(text);
        }
    }
}

/* Bitmaps. */

class BitmapTest : public testing::TestWithParam<ExpectedBitmap> {};

TEST_P(BitmapTest, IsALanguageNeutralResource) {
    const ExpectedBitmap& bitmap = GetParam();
    EXPECT_NE(FindResourceA(g_module, MAKEINTRESOURCEA(bitmap.id), RT_BITMAP),
              nullptr);
    EXPECT_EQ(LanguagesOf(RT_BITMAP, bitmap.id),
              (std::set<WORD>{MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)}));
}

TEST_P(BitmapTest, HasTheTransparencyOfItsDepth) {
    const ExpectedBitmap& bitmap = GetParam();
    Picture picture;
    ASSERT_NO_FATAL_FAILURE(Decode(bitmap, &picture));
    for (LONG y = 0; y < picture.height; ++y) {
        for (LONG x = 0; x < picture.width; ++x) {
            SCOPED_TRACE("pixel (" + std::to_string(x) + ", " +
                         std::to_string(y) + ")");
            const bool corner = picture.IsCorner(x, y);
            const Rgb& colour = picture.At(x, y);
            switch (bitmap.bits) {
            case 32:
                /* Transparent corners, everything else opaque. */
                EXPECT_EQ(picture.AlphaAt(x, y), corner ? 0 : 255);
                break;
            case 8:
                /* Magenta is the mask colour: at the corners, nowhere else. */
                EXPECT_EQ(colour == kMagenta, corner) << Describe(colour);
                break;
            default:
                /* No transparent colour: the corners show the silver ground. */
                EXPECT_FALSE(colour == kMagenta);
                if (corner) {
                    EXPECT_EQ(colour, kSilver);
                }
                break;
            }
        }
    }
}

TEST_P(BitmapTest, HasTheColoursOfItsLook) {
    const ExpectedBitmap& bitmap = GetParam();
    Picture picture;
    ASSERT_NO_FATAL_FAILURE(Decode(bitmap, &picture));
    std::map<Rgb, int> uses;
    for (LONG y = 0; y < picture.height; ++y)
        for (LONG x = 0; x < picture.width; ++x)
            if (!picture.IsCorner(x, y)) ++uses[picture.At(x, y)];

    auto most = uses.begin();
    for (auto it = uses.begin(); it != uses.end(); ++it)
        if (it->second > most->second) most = it;

    switch (bitmap.look) {
    case Look::Classic: {
        for (const auto& use : uses)
            EXPECT_TRUE(use.first == kSilver || use.first == kBlack ||
                        use.first == kNavy)
                << "unexpected colour " << Describe(use.first);
        EXPECT_EQ(most->first, kSilver) << "the ground is silver";
        EXPECT_GT(uses[kBlack], 0) << "black letters";
        EXPECT_GT(uses[kNavy], 0) << "navy arrow";
        break;
    }
    case Look::Grayed: {
        for (const auto& use : uses)
            EXPECT_TRUE(use.first.r == use.first.g &&
                        use.first.g == use.first.b)
                << "not a grey: " << Describe(use.first);
        EXPECT_GE(uses.size(), 3u) << "ground, letters and arrow differ";
        break;
    }
    case Look::Normal:
    case Look::Dark: {
        const Rgb tile = bitmap.look == Look::Normal ? kTile : kDeepTile;
        const Rgb arrow = bitmap.look == Look::Normal ? kArrow : kDarkArrow;
        EXPECT_EQ(most->first, tile) << "the tile is " << Describe(tile);
        EXPECT_GT(uses[arrow], 0) << "the arrow is " << Describe(arrow);
        int blue = 0;
        for (const auto& use : uses)
            if (IsBlue(use.first)) blue += use.second;
        EXPECT_GT(blue, 0) << "blue letters";
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(All, BitmapTest, testing::ValuesIn(kBitmaps),
                         BitmapName);

/* The bitmaps in colour, whose letters and arrow can be told apart by colour. */
std::vector<ExpectedBitmap> ColouredBitmaps() {
    std::vector<ExpectedBitmap> coloured;
    for (const ExpectedBitmap& bitmap : kBitmaps)
        if (bitmap.look != Look::Grayed) coloured.push_back(bitmap);
    return coloured;
}

class ColouredBitmapTest : public testing::TestWithParam<ExpectedBitmap> {};

/*
** The letters stand at the left and the arrow at the right; the arrow's
** widest row (its head) lies in the lower half, so it points down.
*/
TEST_P(ColouredBitmapTest, ShowsLettersLeftAndAnArrowPointingDownRight) {
    const ExpectedBitmap& bitmap = GetParam();
    Picture picture;
    ASSERT_NO_FATAL_FAILURE(Decode(bitmap, &picture));
    Extent letters, arrow;
    if (bitmap.look == Look::Classic) {
        letters = ExtentOf(picture, Same, kBlack);
        arrow = ExtentOf(picture, Same, kNavy);
    } else {
        letters = ExtentOf(picture, BlueLike, Rgb{});
        arrow = ExtentOf(picture, Same,
                         bitmap.look == Look::Normal ? kArrow : kDarkArrow);
    }
    ASSERT_GT(letters.count, 0);
    ASSERT_GT(arrow.count, 0);
    EXPECT_LT(letters.maxX, bitmap.width / 2) << "letters in the left half";
    EXPECT_GE(arrow.minX, bitmap.width / 2) << "arrow in the right half";
    EXPECT_GE(arrow.widestRow, bitmap.height / 2) << "arrow head at the bottom";
}

INSTANTIATE_TEST_SUITE_P(Coloured, ColouredBitmapTest,
                         testing::ValuesIn(ColouredBitmaps()), BitmapName);


}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* path = argc > 1 ? argv[1] : std::getenv("ZTOA_DLL");
    if (path == nullptr || *path == '\0') {
        std::fprintf(stderr,
                     "usage: %s <path of the module>  (or set ZTOA_DLL)\n",
                     argv[0]);
        return 2;
    }
    g_module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (g_module == nullptr) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", path,
                     GetLastError());
        return 2;
    }
    int result = RUN_ALL_TESTS();
    FreeLibrary(g_module);
    return result;
}
