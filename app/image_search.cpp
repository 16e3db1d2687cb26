// The image search: every folder of D:, E: and F:, depth first, listing each .gho file in 列表框2. The search
// runs on the window's thread and lets window events run as it goes (see letEventsRun), which is how its
// button stops it.
#include <windows.h>

#include <cstring>
#include <vector>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
using namespace main_window;

Value imageList() { return unit::listBox(列表框2); }
void setSearchCaption(const char* caption) { unit::setButtonCaption(搜索按钮, caption); }
// Every folder visit ends with the "stop" caption; writing it again when the button already reads so would
// only redraw the button once per folder.
void showStopCaption() {
    if (!text_equal(unit::buttonCaption(搜索按钮).get(), txt::caption_stop())) setSearchCaption(txt::caption_stop());
}

// True from the start of a search to its end. The button's caption turns to "stop" only when the first
// folder visit ends, so a click before then is recognised as a stop request by this flag.
bool searchRunning = false;

// The window's events run during the search, so the user may close the window in the middle of it: from
// then on none of its units may be touched, and the walk unwinds without listing anything.
using unit::windowOpen;

constexpr uint32_t kFolderAttribute = 16;

// Letting the window's events run asks the window server whether any are waiting, which costs about as much
// as listing a small folder, and redraws the list whenever it grew. The search lets them run at its first
// folder and then at the first folder after 20 ms have passed since the last time: the list grows in view
// and a click on the button is answered sooner than a user can tell.
constexpr uint32_t kEventsEveryMs = 20;
uint32_t eventsRunAt = 0;
void letEventsRun() {
    uint32_t now = GetTickCount();
    if (now - eventsRunAt < kEventsEveryMs) return;
    cmd::processEvents();
    eventsRunAt = now;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool endsWithImageExtension(const char* name) {
    const char* extension = txt::pattern_images() + 1;  // ".gho"
    size_t n = std::strlen(name), e = std::strlen(extension);
    if (n < e) return false;
    for (size_t i = 0; i < e; ++i)
        if (asciiLower(name[n - e + i]) != asciiLower(extension[i])) return false;
    return true;
}
// An image is a file that the file system's own matching of "*.gho" takes: its name ends in ".gho" in any
// case, or its short (8.3) name does, as for "a.ghost" with the short name A~1.GHO. The extension's dot is
// never the trail byte of a two-byte character, so comparing the last bytes is exact.
bool isImage(const char* name, const FoundEntry& entry) {
    return endsWithImageExtension(name) || endsWithImageExtension(entry.short_name);
}
}  // namespace

void onSearchClicked() {
    searchActive = 1;
    driveText = Text::copy(txt::search_drives());
    Text caption = unit::buttonCaption(搜索按钮);
    if (searchRunning || text_equal(caption.get(), txt::caption_stop()))
        searchActive = 0;
    else if (text_equal(caption.get(), txt::caption_search()))
        searchImages();
    if (windowOpen()) unit::setVisible(标签8, false);
}

void searchImages() {
    searchRunning = true;
    searchActive = 1;
    foundCount = 0;
    eventsRunAt = GetTickCount() - kEventsEveryMs;  // the first folder lets them run
    cmd::listClear(imageList());
    for (const Text& drive : cmd::splitText(driveText.get(), txt::drive_separator())) {
        Text root = concat({drive.get(), txt::drive_root_suffix()});
        searchFolder(root.c_str());
    }
    searchRunning = false;
    if (!windowOpen()) return;

    Text count = cmd::toText(foundCount);
    Text summary = concat({txt::summary_before_count(), count.c_str(), txt::summary_after_count()});
    unit::setLabelCaption(文件标签, summary.c_str());
    setSearchCaption(txt::caption_search());
}

void searchFolder(const char* path) {
    letEventsRun();
    if (!windowOpen()) searchActive = 0;
    void* search = nullptr;  // this visit's own search context
    if (searchActive == 1) {
        Text folder = Text::copy(path);
        int32_t len = folder.length();
        if (len == 0 || folder.c_str()[len - 1] != '\\') folder = concat({folder.c_str(), txt::backslash()});

        // One listing of the folder: its images are listed as they come, its sub-folders are entered once the
        // listing is over, in the order in which it gave them.
        std::vector<Text> below;
        Text pattern = concat({folder.c_str(), txt::pattern_all()});
        FoundEntry entry;
        for (foundName.reset(find_entry(pattern.c_str(), &search, &entry)); !foundName.empty();
             foundName.reset(find_entry("", &search, &entry))) {
            if (entry.attributes & kFolderAttribute) {
                if (foundName.c_str()[0] != txt::dot()[0]) below.push_back(concat({folder.c_str(), foundName.c_str()}));
            } else if (isImage(foundName.c_str(), entry)) {
                Text image = concat({folder.c_str(), foundName.c_str()});
                cmd::listAddItem(imageList(), image.get());
                ++foundCount;
            }
        }
        for (const Text& f : below) searchFolder(f.c_str());
    }
    if (windowOpen()) showStopCaption();
    end_find_file(search);
}
