// Identifiers of the three windows and their units, as the form data defines them. Unit names are the
// units' own names in the form data; each window's own entry is `self`.
#pragma once

#include <cstdint>

namespace main_window {
constexpr uint32_t kWindow = 0x52010001;
constexpr uint32_t self = 0x06010000;          // the window itself
constexpr uint32_t 时钟1 = 0x16010266;         // Timer
constexpr uint32_t 标签10 = 0x16010220;        // Label
constexpr uint32_t 通用对话框1 = 0x160101E6;   // CommonDlg
constexpr uint32_t 标签9 = 0x1601019F;         // Label
constexpr uint32_t 标签8 = 0x1601019D;         // Label
constexpr uint32_t 状态条1 = 0x16010157;       // StatusBar
constexpr uint32_t 销毁按钮 = 0x16010150;      // Button
constexpr uint32_t 文件标签 = 0x16010137;      // Label
constexpr uint32_t 日期标签 = 0x16010135;      // Label
constexpr uint32_t 大小标签 = 0x16010134;      // Label
constexpr uint32_t 位置标签 = 0x16010133;      // Label
constexpr uint32_t G选择框 = 0x160100B9;       // CheckBox
constexpr uint32_t 压缩组合框 = 0x160100B8;    // ComboBox
constexpr uint32_t 手动选择框 = 0x160100AC;    // CheckBox
constexpr uint32_t 标签7 = 0x160100A3;         // Label
constexpr uint32_t 通用对话框3 = 0x1601008F;   // CommonDlg
constexpr uint32_t 搜索按钮 = 0x16010081;      // Button
constexpr uint32_t 编辑框3 = 0x16010080;       // EditBox
constexpr uint32_t 列表框2 = 0x1601007F;       // ListBox
constexpr uint32_t 通用提供者1 = 0x1601007E;   // NProvider
constexpr uint32_t 数据源1 = 0x1601007D;       // DataSrc
constexpr uint32_t 退出 = 0x1601007C;          // Button
constexpr uint32_t 打开2 = 0x1601007B;         // Button
constexpr uint32_t 编辑框2 = 0x1601007A;       // EditBox
constexpr uint32_t CRC选择框 = 0x16010078;     // CheckBox
constexpr uint32_t 自定义选择框 = 0x16010076;  // CheckBox
constexpr uint32_t 标签6 = 0x16010075;         // Label
constexpr uint32_t 分组框3 = 0x16010074;       // GroupBox
constexpr uint32_t 标签5 = 0x16010073;         // Label
constexpr uint32_t 标签4 = 0x16010072;         // Label
constexpr uint32_t 标签3 = 0x16010071;         // Label
constexpr uint32_t 标签2 = 0x16010070;         // Label
constexpr uint32_t 列表框1 = 0x1601006F;       // ListBox
constexpr uint32_t 分组框2 = 0x1601006A;       // GroupBox
constexpr uint32_t 通用对话框2 = 0x1601006B;   // CommonDlg
constexpr uint32_t 打开1 = 0x1601006C;         // Button
constexpr uint32_t 标签1 = 0x1601006D;         // Label
constexpr uint32_t 编辑框1 = 0x1601006E;       // EditBox
constexpr uint32_t 备份单选框 = 0x16010069;    // RadioBox
constexpr uint32_t 还原单选框 = 0x16010068;    // RadioBox
constexpr uint32_t 分组框1 = 0x16010067;       // GroupBox
constexpr uint32_t 高级 = 0x16010037;          // Button
constexpr uint32_t 按钮2 = 0x16010023;         // Button
constexpr uint32_t 确定 = 0x1601001F;          // Button
}  // namespace main_window

namespace restart_prompt {
constexpr uint32_t kWindow = 0x52010182;
constexpr uint32_t self = 0x06010183;     // the window itself
constexpr uint32_t 图片框1 = 0x160101D3;  // PicBox
constexpr uint32_t 标签2 = 0x16010184;    // Label
constexpr uint32_t 标签1 = 0x16010185;    // Label
constexpr uint32_t 按钮2 = 0x16010186;    // Button
constexpr uint32_t 按钮1 = 0x16010187;    // Button
constexpr uint32_t 标签3 = 0x16010189;    // Label
}  // namespace restart_prompt

namespace undo_prompt {
constexpr uint32_t kWindow = 0x520101BA;
constexpr uint32_t self = 0x060101BB;     // the window itself
constexpr uint32_t 图片框1 = 0x160101CE;  // PicBox
constexpr uint32_t 标签2 = 0x160101BC;    // Label
constexpr uint32_t 标签1 = 0x160101BD;    // Label
constexpr uint32_t 按钮2 = 0x160101BE;    // Button
constexpr uint32_t 按钮1 = 0x160101BF;    // Button
}  // namespace undo_prompt
