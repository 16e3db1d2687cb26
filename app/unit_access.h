// Short forms of the property reads and writes and the unit references that the handlers use.
#pragma once

#include <cstdint>

#include "app/app.h"

// A text property (captions, contents, file names); the caller owns the result.
inline Text unitText(uint32_t window, uint32_t unit, int32_t property) {
    return Text(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(window, unit, property, -1))));
}
inline void setUnitText(uint32_t window, uint32_t unit, int32_t property, const char* text) {
    set_property(window, unit, property, -1, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)), 0);
}
// A logical or integer property.
inline int32_t unitNumber(uint32_t window, uint32_t unit, int32_t property) {
    return static_cast<int32_t>(get_property(window, unit, property, -1));
}
inline void setUnitNumber(uint32_t window, uint32_t unit, int32_t property, int32_t value) {
    set_property(window, unit, property, -1, static_cast<uint32_t>(value), 0);
}
inline bool unitFlag(uint32_t window, uint32_t unit, int32_t property) {
    return unitNumber(window, unit, property) != 0;
}
inline void setUnitFlag(uint32_t window, uint32_t unit, int32_t property, bool value) {
    setUnitNumber(window, unit, property, value ? 1 : 0);
}

// Property numbers of the unit types.
namespace prop {
constexpr int32_t kVisible = 5;
constexpr int32_t kDisabled = 6;
constexpr int32_t kLabelCaption = 8;
constexpr int32_t kButtonCaption = 10;
constexpr int32_t kChecked = 18;  // check box and radio box
constexpr int32_t kEditText = 8;
constexpr int32_t kDialogFileName = 10;
constexpr int32_t kDialogInitialDirectory = 13;
constexpr int32_t kDialogPathMustExist = 18;
}  // namespace prop

// A reference to a window, for the window commands.
inline Value windowRef(uint32_t window, uint32_t self) { return value_unit(window, self, kUnitWindow); }
