// Reading and writing unit properties by meaning, so that the application's routines read as what they do
// to the window ("caption of 标签2 := ...") rather than as property numbers. Every function works on a unit
// of the main window unless a window is given.
#pragma once

#include <cstdint>

#include "forms/unit_ids.h"
#include "forms/unit_numbers.h"
#include "runtime/runtime.h"

namespace unit {
constexpr uint32_t kMain = main_window::kWindow;

inline int32_t getInt(uint32_t u, int32_t property, uint32_t window = kMain) {
    return static_cast<int32_t>(static_cast<uint32_t>(get_property(window, u, property, prop::kWholeValue)));
}
inline void setInt(uint32_t u, int32_t property, int32_t v, uint32_t window = kMain) {
    set_property(window, u, property, prop::kWholeValue, static_cast<uint32_t>(v), 0);
}
inline bool getBool(uint32_t u, int32_t property, uint32_t window = kMain) {
    return static_cast<uint32_t>(get_property(window, u, property, prop::kWholeValue)) != 0;
}
inline void setBool(uint32_t u, int32_t property, bool v, uint32_t window = kMain) {
    set_property(window, u, property, prop::kWholeValue, v ? 1u : 0u, 0);
}
// A text property as a new text that the caller owns.
inline Text getText(uint32_t u, int32_t property, uint32_t window = kMain) {
    uint32_t lo = static_cast<uint32_t>(get_property(window, u, property, prop::kWholeValue));
    return Text(reinterpret_cast<char*>(static_cast<uintptr_t>(lo)));
}
inline void setText(uint32_t u, int32_t property, const char* text, uint32_t window = kMain) {
    uint32_t lo = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text ? text : ""));
    set_property(window, u, property, prop::kWholeValue, lo, 0);
}

// Whether the window is still open. A routine that lets the window's events run may find it closed by the
// user afterwards; from then on none of its units may be touched.
inline bool windowOpen(uint32_t window = kMain, uint32_t anyUnit = main_window::self) {
    return runtime_service(kServiceFindUnitQuiet, window, anyUnit) != 0;
}

// Common properties.
inline void setVisible(uint32_t u, bool v, uint32_t window = kMain) { setBool(u, prop::kVisible, v, window); }
inline bool visible(uint32_t u, uint32_t window = kMain) { return getBool(u, prop::kVisible, window); }
inline void setDisabled(uint32_t u, bool v, uint32_t window = kMain) { setBool(u, prop::kDisabled, v, window); }
inline bool disabled(uint32_t u, uint32_t window = kMain) { return getBool(u, prop::kDisabled, window); }
inline void setTop(uint32_t u, int32_t v, uint32_t window = kMain) { setInt(u, prop::kTop, v, window); }
inline void setWidth(uint32_t u, int32_t v, uint32_t window = kMain) { setInt(u, prop::kWidth, v, window); }
inline void setHeight(uint32_t u, int32_t v, uint32_t window = kMain) { setInt(u, prop::kHeight, v, window); }

// Type-specific properties.
inline void setWindowTitle(const char* t) { setText(main_window::self, prop::kWindowTitle, t); }
inline Text windowTitle() { return getText(main_window::self, prop::kWindowTitle); }
inline Text labelCaption(uint32_t u, uint32_t window = kMain) { return getText(u, prop::kLabelCaption, window); }
inline void setLabelCaption(uint32_t u, const char* t, uint32_t window = kMain) {
    setText(u, prop::kLabelCaption, t, window);
}
inline void setLabelColour(uint32_t u, uint32_t bgr, uint32_t window = kMain) {
    setInt(u, prop::kLabelTextColour, static_cast<int32_t>(bgr), window);
}
inline Text buttonCaption(uint32_t u, uint32_t window = kMain) { return getText(u, prop::kButtonCaption, window); }
inline void setButtonCaption(uint32_t u, const char* t, uint32_t window = kMain) {
    setText(u, prop::kButtonCaption, t, window);
}
inline bool checked(uint32_t u, uint32_t window = kMain) { return getBool(u, prop::kChecked, window); }
inline void setChecked(uint32_t u, bool v, uint32_t window = kMain) { setBool(u, prop::kChecked, v, window); }
inline Text editContent(uint32_t u, uint32_t window = kMain) { return getText(u, prop::kEditContent, window); }
inline void setEditContent(uint32_t u, const char* t, uint32_t window = kMain) {
    setText(u, prop::kEditContent, t, window);
}
inline void setEditBackground(uint32_t u, uint32_t bgr, uint32_t window = kMain) {
    setInt(u, prop::kEditBackground, static_cast<int32_t>(bgr), window);
}
inline int32_t comboCurrent(uint32_t u, uint32_t window = kMain) { return getInt(u, prop::kComboCurrent, window); }
inline void setTimerInterval(uint32_t u, int32_t ms, uint32_t window = kMain) {
    setInt(u, prop::kTimerInterval, ms, window);
}

// Unit references for the list and status-bar commands.
inline Value listBox(uint32_t u, uint32_t window = kMain) { return value_unit(window, u, kUnitListBox); }
inline Value statusBar(uint32_t u, uint32_t window = kMain) { return value_unit(window, u, kUnitStatusBar); }
}  // namespace unit

// A reference to a window, for the window commands.
inline Value windowRef(uint32_t window, uint32_t self) { return value_unit(window, self, kUnitWindow); }
