// Fatal errors: the one reporter (error hook or the "错误" message box, then the program's end with -1) and
// the numbered runtime errors that application code raises.
#include <windows.h>

#include <cstdio>

#include "runtime/internal.h"

namespace {
ErrorHook g_error_hook = nullptr;
int32_t g_fatal_nesting = 0;
uint32_t g_program_kind = 3;

const char* const kRuntimeErrors[] = {
    "",
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};
}  // namespace

void set_program_kind(uint32_t kind) { g_program_kind = kind; }

void set_error_hook(ErrorHook hook) { g_error_hook = hook; }

Text fatal_error_text(const char* message, int32_t number) {
    char code[32] = "";
    if (number != 0) std::snprintf(code, sizeof code, "错误代码：%d\r\n\r\n", static_cast<int>(number));
    bool has_message = message && *message;
    return concat({"运行时出错!\r\n\r\n", code, has_message ? "错误信息：" : "", has_message ? message : "",
                   has_message ? "\r\n" : ""});
}

void fatal_error(const char* message, int32_t number) {
    int32_t nesting = ++g_fatal_nesting;
    bool suppressed = g_error_hook && g_error_hook(nesting, number, message ? message : "") > 0;
    if (!suppressed) {
        Text text = fatal_error_text(message, number);
        MessageBoxA(nullptr, text.c_str(), "错误", MB_ICONERROR);
    }
    if (g_program_kind == 2) DebugBreak();
    exit_program(-1);
}

void report_runtime_error(int32_t number) {
    const int32_t last = static_cast<int32_t>(sizeof kRuntimeErrors / sizeof kRuntimeErrors[0]) - 1;
    fatal_error(number >= 1 && number <= last ? kRuntimeErrors[number] : "", number);
}
