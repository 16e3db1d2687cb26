// The boot menu: the checks that a run can put the menu back, the copy the run takes first, the rewrite that
// makes the boot loader the default entry, other programs' files of the boot set's names kept aside meanwhile,
// and the undo that puts back what the tool changed (also after a failed run), and only that.
#include <windows.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
constexpr DWORD kMenuAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Read-only, hidden and system of a file (0 when it is missing).
DWORD attributesOf(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a == INVALID_FILE_ATTRIBUTES ? 0 : a & kMenuAttributes;
}

// Read-only goes on last: some file systems drop hidden and system when they come with it (Wine for an
// ordinary user).
void setAttributes(const char* path, DWORD attributes) {
    cmd::setFileAttributes(path, static_cast<int32_t>(attributes & ~FILE_ATTRIBUTE_READONLY));
    if (attributes & FILE_ATTRIBUTE_READONLY) cmd::setFileAttributes(path, static_cast<int32_t>(attributes));
}

// Every line of the file from the current position on, up to its end or to a 0 or Ctrl-Z byte (which a line
// read never passes).
std::vector<std::string> remainingLines(int32_t file) {
    std::vector<std::string> lines;
    while (!cmd::atEndOfFile(file)) {
        Text line = cmd::readLine(file);
        lines.emplace_back(line.c_str());
    }
    return lines;
}

// The lines of a menu file; none when it cannot be read.
std::vector<std::string> menuLines(const char* path) {
    int32_t file = cmd::openFile(path, cmd::kOpenRead);
    std::vector<std::string> lines = remainingLines(file);
    cmd::closeFile(file);
    return lines;
}

// True when a line of the menu file at path holds the entry "C:\grldr=Drelvok".
bool carriesEntry(const char* path) {
    for (const std::string& line : menuLines(path))
        if (cmd::findText(line.c_str(), txt::boot_menu_entry()) > 0) return true;
    return false;
}

// The whole content of a file; false when it cannot be read.
bool readWholeFile(const char* path, std::string* content) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(h, nullptr);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) content->resize(size);
    DWORD got = 0;
    ok = ok && (size == 0 || ReadFile(h, &(*content)[0], size, &got, nullptr)) && got == size;
    CloseHandle(h);
    return ok;
}

bool writeWholeFile(const char* path, const std::string& content) {
    Bytes bytes(new_bytes(content.data(), static_cast<int32_t>(content.size())));
    return cmd::writeFile(path, bytes.get()) && fileHolds(path, content.data(), static_cast<int32_t>(content.size()));
}

// The boot loader reads a menu line with the blanks around it and around its key left out, and ignores case.
std::string trimmed(const std::string& s) {
    size_t first = s.find_first_not_of(" \t"), last = s.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}
bool sameWord(const std::string& a, const char* b) { return lstrcmpiA(trimmed(a).c_str(), b) == 0; }
bool isSectionHeader(const std::string& line) { return trimmed(line).compare(0, 1, "[") == 0; }
// The key of a "key=value" line; empty for comments (";"), section headers and lines without "=".
std::string keyOf(const std::string& line) {
    std::string t = trimmed(line);
    size_t equals = t.find('=');
    return t.empty() || t[0] == ';' || t[0] == '[' || equals == std::string::npos ? std::string()
                                                                                  : trimmed(t.substr(0, equals));
}

// Where the entry goes: last in [operating systems], at the end of the file when that section ends it or the
// menu has none.
size_t entryPlace(const std::vector<std::string>& lines) {
    size_t i = 0;
    while (i < lines.size() && !sameWord(lines[i], txt::boot_menu_systems_section())) ++i;
    if (i == lines.size()) return i;
    for (++i; i < lines.size() && !isSectionHeader(lines[i]); ++i) {}
    return i;
}

// Files of up to six lines keep the layout the menu has always had: at least six lines before an entry that
// ends the file (empty ones added), and no line end after it.
constexpr size_t kLinesBeforeLastEntry = 6;

std::string joinedMenu(std::vector<std::string> lines) {
    size_t place = entryPlace(lines);
    if (place == lines.size()) {
        while (lines.size() < kLinesBeforeLastEntry) lines.emplace_back();
        place = lines.size();
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place), txt::boot_menu_entry());
    std::string menu;
    for (size_t i = 0; i < lines.size(); ++i) {
        menu += lines[i];
        if (i + 1 < lines.size() || place + 1 < lines.size()) menu += txt::line_end();
    }
    return menu;
}
}  // namespace

std::string rewrittenMenu(const std::vector<std::string>& old) {
    enum class Section { kOther, kLoader, kLaterLoader };
    Section section = Section::kOther;
    std::vector<std::string> lines;
    size_t loader = std::string::npos, timeoutLine = std::string::npos;
    bool defaultSet = false;
    for (const std::string& line : old) {
        if (line == txt::boot_menu_entry()) continue;  // an earlier rewrite's: the entry comes once, last
        if (isSectionHeader(line)) {
            bool isLoader = sameWord(line, txt::boot_menu_loader_section());
            section = !isLoader ? Section::kOther : loader == std::string::npos ? Section::kLoader : Section::kLaterLoader;
            if (section == Section::kLaterLoader) continue;  // one [boot loader] section: the first
            if (section == Section::kLoader) loader = lines.size();
            lines.push_back(line);
            continue;
        }
        std::string key = keyOf(line);
        bool isTimeout = lstrcmpiA(key.c_str(), txt::boot_menu_timeout_key()) == 0;
        bool isDefault = lstrcmpiA(key.c_str(), txt::boot_menu_default_key()) == 0;
        if (section == Section::kLaterLoader && (isTimeout || isDefault)) continue;
        if (section == Section::kLoader && isTimeout) {
            if (timeoutLine == std::string::npos) timeoutLine = lines.size();
            lines.emplace_back(txt::boot_menu_timeout());
        } else if (section == Section::kLoader && isDefault) {
            defaultSet = true;
            lines.emplace_back(txt::boot_menu_default());
        } else {
            lines.push_back(line);
        }
    }
    // Keys the section lacks go first in it, time-out before default; a menu without the section gets it first.
    if (loader == std::string::npos) {
        lines.insert(lines.begin(), txt::boot_menu_loader_section());
        loader = 0;
    }
    if (timeoutLine == std::string::npos) {
        timeoutLine = loader + 1;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(timeoutLine), txt::boot_menu_timeout());
    }
    if (!defaultSet) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(timeoutLine + 1), txt::boot_menu_default());
    return joinedMenu(lines);
}

bool menuStartsBootLoader(const std::vector<std::string>& lines) {
    size_t loaders = 0, timeouts = 0, defaults = 0, entries = 0;
    bool inLoader = false, keysRight = true;
    for (const std::string& line : lines) {
        if (isSectionHeader(line)) {
            inLoader = sameWord(line, txt::boot_menu_loader_section());
            loaders += inLoader ? 1 : 0;
            continue;
        }
        std::string key = keyOf(line);
        if (inLoader && lstrcmpiA(key.c_str(), txt::boot_menu_timeout_key()) == 0) {
            ++timeouts;
            keysRight = keysRight && line == txt::boot_menu_timeout();
        }
        if (inLoader && lstrcmpiA(key.c_str(), txt::boot_menu_default_key()) == 0) {
            ++defaults;
            keysRight = keysRight && line == txt::boot_menu_default();
        }
        entries += line == txt::boot_menu_entry() ? 1 : 0;
    }
    size_t place = entryPlace(lines);
    return loaders == 1 && timeouts > 0 && defaults > 0 && keysRight && entries == 1 && place > 0 &&
           lines[place - 1] == txt::boot_menu_entry();
}

bool fileHolds(const char* path, const char* data, int32_t size) {
    std::string content;
    return readWholeFile(path, &content) && content.size() == static_cast<size_t>(size) &&
           content.compare(0, content.size(), data, static_cast<size_t>(size)) == 0;
}

bool fileHoldsPayload(const char* path, const void* payload) {
    return fileHolds(path, reinterpret_cast<const char*>(bytes_block_data(payload)), bytes_block_length(payload));
}

bool sameFileContent(const char* a, const char* b) {
    std::string first, second;
    return readWholeFile(a, &first) && readWholeFile(b, &second) && first == second;
}

bool bootMenuCarriesEntry() { return carriesEntry(txt::path_boot_ini()); }

bool bootMenuStartsBootLoader() { return menuStartsBootLoader(menuLines(txt::path_boot_ini())); }

namespace {
// C:\boot.bak holds a menu that puts the machine back: one without our entry.
bool usableCopy() { return cmd::fileExists(txt::path_boot_bak()) && !carriesEntry(txt::path_boot_bak()); }
}  // namespace

const char* bootMenuRefusal() {
    if (!cmd::fileExists(txt::path_boot_ini())) return txt::run_refused_no_boot_menu();
    // Once the menu carries our entry, C:\boot.bak is the only copy of the user's own menu.
    if (bootMenuCarriesEntry() && !usableCopy()) return txt::run_refused_no_own_menu();
    return nullptr;
}

const char* prepareBootMenu(bool* copyMade) {
    const char* ini = txt::path_boot_ini();
    const char* bak = txt::path_boot_bak();
    *copyMade = false;
    DWORD menuAttributes = attributesOf(ini);
    bool hadCopy = cmd::fileExists(bak);
    // Once the menu carries our entry, C:\boot.bak is the user's own menu: it stays. A copy that already holds
    // the menu with its attributes is not written again.
    if (!bootMenuCarriesEntry() && !(sameFileContent(bak, ini) && attributesOf(bak) == menuAttributes)) {
        DWORD copyAttributes = attributesOf(bak);
        cmd::setFileAttributes(bak, 0);  // a read-only copy would refuse the new one
        bool copied = cmd::copyFile(ini, bak) && sameFileContent(bak, ini) && attributesOf(bak) == menuAttributes;
        if (!copied) {
            if (!hadCopy) cmd::deleteFile(bak);
            else if (cmd::fileExists(bak)) setAttributes(bak, copyAttributes);
            return txt::run_refused_no_copy();
        }
        *copyMade = true;
    }
    cmd::setFileAttributes(ini, 0);
    if (attributesOf(ini) != 0) {
        setAttributes(ini, menuAttributes);
        if (*copyMade && !hadCopy) cmd::deleteFile(bak);
        *copyMade = false;
        return txt::run_refused_menu_attributes();
    }
    return nullptr;
}

bool rewriteBootMenu() {
    int32_t file = cmd::openFile(txt::path_boot_ini(), cmd::kOpenReadWrite);  // as the rewrite has always opened it
    // A menu that exists but cannot be read is not replaced by one without its systems.
    if (file == 0 && cmd::fileExists(txt::path_boot_ini())) return false;
    std::vector<std::string> old = remainingLines(file);
    cmd::closeFile(file);
    return writeWholeFile(txt::path_boot_ini(), rewrittenMenu(old));
}

bool keepForeignFileAside(const char* path, const char* saved, bool ours) {
    if (ours || !cmd::fileExists(path)) return true;
    return !cmd::fileExists(saved) && cmd::moveFile(path, saved);
}

namespace {
// The undo's first step: C:\boot.ini from the saved copy, replaced in one step so that it is never missing.
// Where the copy cannot be moved (another program holds it or the menu open), its bytes are written over the
// menu instead, unless the menu holds them already. Answers whether the menu holds the saved bytes again.
bool putMenuBack(bool* copyLeft) {
    const char* ini = txt::path_boot_ini();
    const char* bak = txt::path_boot_bak();
    std::string saved;
    *copyLeft = true;
    if (!readWholeFile(bak, &saved)) return false;
    DWORD savedAttributes = attributesOf(bak);
    cmd::setFileAttributes(ini, 0);  // a read-only menu is not replaced
    bool back = false;
    if (MoveFileExA(bak, ini, MOVEFILE_REPLACE_EXISTING)) {
        *copyLeft = false;
        back = true;
    } else {
        back = fileHolds(ini, saved.data(), static_cast<int32_t>(saved.size())) || writeWholeFile(ini, saved);
        if (back) {
            cmd::setFileAttributes(bak, 0);
            *copyLeft = !cmd::deleteFile(bak);
            if (*copyLeft) setAttributes(bak, savedAttributes);
        }
    }
    if (attributesOf(ini) != savedAttributes) setAttributes(ini, savedAttributes);
    return fileHolds(ini, saved.data(), static_cast<int32_t>(saved.size()));
}

// The batch file holds a batch this tool writes.
bool holdsOwnBatch(const char* path) {
    std::string content;
    if (!readWholeFile(path, &content)) return false;
    auto startsWith = [&](const char* head) { return content.compare(0, std::string(head).size(), head) == 0; };
    return content == txt::manual_ghost_batch() || startsWith(txt::ghost_restore_head()) ||
           startsWith(txt::ghost_backup_head());
}

bool wasWritten(const RunChanges* run, const char* path) {
    if (!run) return false;
    for (const char* p : run->written)
        if (lstrcmpiA(p, path) == 0) return true;
    return false;
}
}  // namespace

UndoReport undoBootFiles(const RunChanges* run) {
    UndoReport report;
    // The menu: put back when it carries our entry (or a run is rolled back); otherwise it is the user's own.
    bool hadEntry = bootMenuCarriesEntry();
    if (usableCopy() && (hadEntry || run)) {
        bool copyLeft = false;
        report.menuPutBack = putMenuBack(&copyLeft);
        if (!report.menuPutBack) report.problems += txt::undo_menu_not_back();
        // A copy that was there before the run, as it was, is no change of the run.
        else if (copyLeft && (!run || run->copyMade)) report.problems += txt::undo_copy_left();
    } else if (hadEntry) {
        report.problems += txt::undo_menu_not_restored();
    } else {
        report.menuLeftAlone = true;
    }

    // Our files. The boot loader is not removed while the menu still starts it. The batch file and the imaging
    // program are ours while the boot set is in place, when another program's were kept aside for them, or by
    // their content.
    bool stranded = bootMenuCarriesEntry();
    struct File {
        const char* path;
        const char* saved;
        bool ours;
    } files[] = {
        {txt::path_grldr(), txt::path_grldr_saved(),
         !stranded && (wasWritten(run, txt::path_grldr()) || (!run && hadEntry) ||
                       fileHoldsPayload(txt::path_grldr(), bin::boot_loader()))},
        {txt::path_ghost_bat(), txt::path_ghost_bat_saved(),
         wasWritten(run, txt::path_ghost_bat()) ||
             (!run && (hadEntry || cmd::fileExists(txt::path_ghost_bat_saved()) ||
                       holdsOwnBatch(txt::path_ghost_bat())))},
        {txt::path_ghost_exe(), txt::path_ghost_exe_saved(),
         wasWritten(run, txt::path_ghost_exe()) ||
             (!run && (hadEntry || cmd::fileExists(txt::path_ghost_exe_saved()) ||
                       fileHoldsPayload(txt::path_ghost_exe(), bin::dos_ghost())))},
        {txt::path_qelo_img(), nullptr, !run || wasWritten(run, txt::path_qelo_img())},
    };
    for (const File& f : files) {
        if (!f.ours || !cmd::fileExists(f.path)) continue;
        cmd::setFileAttributes(f.path, 0);
        if (cmd::deleteFile(f.path)) report.removed.emplace_back(f.path);
        else report.problems += std::string(f.path) + txt::undo_not_removed();
    }
    // Another program's files back where they were, unless a file kept on purpose stands there (the boot loader
    // the menu still starts, a file not recognised as ours).
    for (const File& f : files) {
        if (!f.saved || !cmd::fileExists(f.saved) || (!f.ours && cmd::fileExists(f.path))) continue;
        if (cmd::moveFile(f.saved, f.path)) report.putBack.emplace_back(f.path);
        else
            report.problems += std::string(txt::undo_saved_left()) + f.path + txt::undo_saved_left_in() + f.saved +
                               txt::undo_saved_left_end();
    }
    return report;
}

std::string undoSummary(const UndoReport& report) {
    std::string summary;
    if (report.menuPutBack) summary += txt::undo_menu_put_back();
    if (report.menuLeftAlone) summary += txt::undo_menu_left();
    for (const auto& list : {std::make_pair(txt::undo_removed(), &report.removed),
                             std::make_pair(txt::undo_put_back(), &report.putBack)}) {
        if (list.second->empty()) continue;
        summary += list.first;
        for (size_t i = 0; i < list.second->size(); ++i)
            summary += (i ? txt::list_separator() : "") + (*list.second)[i];
        summary += txt::line_end();
    }
    summary += report.problems;
    // Every line ends in CR LF; the message's last one needs none.
    if (summary.size() >= 2 && summary.compare(summary.size() - 2, 2, txt::line_end()) == 0)
        summary.resize(summary.size() - 2);
    return summary;
}

void undoInstallation() {
    using namespace undo_prompt;
    cmd::processEvents();
    UndoReport report = undoBootFiles(nullptr);
    bool nothing = report.menuLeftAlone && report.removed.empty() && report.putBack.empty() && report.problems.empty();
    std::string message = nothing ? std::string(txt::undo_nothing())
                                  : (report.problems.empty() ? txt::undo_done() : txt::undo_incomplete()) + undoSummary(report);
    // Owned by the prompt, which then has the keyboard again and hands it to the main window as it goes.
    cmd::messageBox(message.c_str(), MB_OK | (report.problems.empty() ? MB_ICONINFORMATION : MB_ICONWARNING),
                    windowRef(kWindow, self));
    updateUndoButton(txt::root_of_c());
    cmd::destroyWindow(windowRef(kWindow, self));
    unit::setVisible(main_window::销毁按钮, true);
    unit::setDisabled(main_window::销毁按钮, true);
}

void closeUndoPrompt() { cmd::destroyWindow(windowRef(undo_prompt::kWindow, undo_prompt::self)); }

// Y and N answer the undo prompt as they answer the restart prompt.
bool onUndoKeyDown(int32_t key, int32_t) {
    if (key == 'Y') undoInstallation();
    if (key == 'N') closeUndoPrompt();
    return key != 'Y' && key != 'N';
}
