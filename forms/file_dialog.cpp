// CommonDlg: a hidden window whose properties describe a system file dialog, run by the command
// open_common_dialog. Properties: 8 type (0 open, 1 save, 2 font, 3 help), 9 title, 10 file name, 11 filter,
// 12 initial filter index, 13 initial directory, 14 default extension, 15 create-prompt, 16 file-must-exist,
// 17 overwrite-prompt, 18 path-must-exist, 19 do-not-change-directory.
#include <cstring>

#include "forms/units.h"

namespace {
BOOL WINAPI open_file_dialog(OPENFILENAMEA* o) {
    static auto fn = reinterpret_cast<FileDialogFn>(late_system_function("comdlg32.dll", "GetOpenFileNameA"));
    return fn ? fn(o) : FALSE;
}

BOOL WINAPI save_file_dialog(OPENFILENAMEA* o) {
    static auto fn = reinterpret_cast<FileDialogFn>(late_system_function("comdlg32.dll", "GetSaveFileNameA"));
    return fn ? fn(o) : FALSE;
}

FileDialogFn g_open_dialog = open_file_dialog;
FileDialogFn g_save_dialog = save_file_dialog;

const char* given(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }
}  // namespace

std::string dialog_filter(const std::string& stored) {
    std::string f = stored;
    if (f.size() < 2 || f.compare(f.size() - 2, 2, "||") != 0) f += "||";
    for (char& c : f)
        if (c == '|') c = '\0';
    return f;
}

DWORD dialog_filter_index(int32_t stored_index, bool has_filter) {
    if (!has_filter) return 0;
    return stored_index < 0 ? 1 : static_cast<DWORD>(stored_index) + 1;
}

DWORD dialog_flags(const Unit& u) {
    auto on = [&](int32_t p) {
        auto it = u.ints.find(p);
        return it != u.ints.end() && it->second != 0;
    };
    DWORD flags = OFN_HIDEREADONLY;
    if (on(15)) flags |= OFN_CREATEPROMPT;
    if (on(16)) flags |= OFN_FILEMUSTEXIST;
    if (on(17)) flags |= OFN_OVERWRITEPROMPT;
    if (on(18)) flags |= OFN_PATHMUSTEXIST;
    if (on(19)) flags |= OFN_NOCHANGEDIR;
    return flags;
}

void set_file_dialog_functions(FileDialogFn open, FileDialogFn save) {
    g_open_dialog = open ? open : open_file_dialog;
    g_save_dialog = save ? save : save_file_dialog;
}

bool run_common_dialog(Unit& u) {
    if (u.type != kUnitCommonDlg) return false;
    int32_t kind = u.ints[8];
    if (kind != 0 && kind != 1) return false;  // the font and help dialogs are not offered
    char file[MAX_PATH * 4] = {0};
    std::strncpy(file, own_text(u, 10).c_str(), sizeof file - 1);
    const std::string& stored_filter = own_text(u, 11);
    std::string filter = stored_filter.empty() ? std::string() : dialog_filter(stored_filter);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = u.window && u.window->hwnd ? hwnd_of(*u.window) : nullptr;
    ofn.lpstrFilter = given(filter);
    ofn.nFilterIndex = dialog_filter_index(u.ints[12], !filter.empty());
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = given(own_text(u, 9));
    ofn.lpstrInitialDir = given(own_text(u, 13));
    ofn.lpstrDefExt = given(own_text(u, 14));
    ofn.Flags = dialog_flags(u);
    if (!(kind == 0 ? g_open_dialog : g_save_dialog)(&ofn)) return false;
    u.texts[10] = file;
    return true;
}

const UnitClass kCommonDlgUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitCommonDlg;
    c.class_name = "_Ozu_CommonDlg";
    c.control = ControlKind::kHidden;
    c.max_version = 1;
    c.fields = {choice(8), text(9),     text(10),    text(11),    integer(12), text(13),
                text(14),  logical(15), logical(16), logical(17), logical(18), logical(19)};
    return c;
}();
