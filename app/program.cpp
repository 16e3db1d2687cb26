// The program header: what the runtime learns at start-up about the program's handlers, constants, form
// data, support libraries and DLL commands. Shared by the program entry and the tests that run the program's
// own windows.
#include "app/app.h"
#include "forms/window_layer.h"
#include "payloads/constants.h"
#include "runtime/runtime.h"

extern const uint8_t form_data_block[];
extern const uint32_t form_data_block_size;

namespace {
// The handler routines, in the order of the references stored in the form data.
const HandlerFn kHandlers[] = {
#define HANDLER(name) bound_handler<&name>,
#include "forms/handlers.inc"
#undef HANDLER
    nullptr,
};

const char* const kDllLibraries[15] = {"SkinH_EL.dll", "", "", "", "", "", "", "", "", "", "", "", "", "", ""};
const char* const kDllFunctions[15] = {
    "SkinH_AttachRes",  "CreatePipe",       "GetStartupInfoA",         "CreateProcessA",     "CloseHandle",
    "ReadFile",         "PeekNamedPipe",    "MsgWaitForMultipleObjects", "CreateFileA",      "CreateJobObjectA",
    "AssignProcessToJobObject", "ResumeThread", "TerminateJobObject",   "TerminateProcess", "GetTickCount"};

const ProgramHeader kHeader = {
    3,                       // program_kind
    0,                       // reserved
    0x000102EA,              // header_word_2
    kHandlers,               // code_base: stored handler references index this table
    constant_area(),         // const_pool_start: every text and byte-set constant of the program
    kConstantAreaSize,       // const_pool_size
    form_data_block,         // form_data_start
    form_data_block_size,    // form_data_size
    3,                       // library_count
    kSupportLibraries,       // library_table
    15,                      // dll_command_count
    kDllLibraries,
    kDllFunctions,
};
}  // namespace

const ProgramHeader& programHeader() { return kHeader; }
