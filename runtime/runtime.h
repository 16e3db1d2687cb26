// The runtime's public interface: the value record, the heap and its ownership rules, the entry points
// through which application code reaches the runtime, DLL commands, fatal errors, and the program header.
//
// Everything here runs on the main thread (the one that started the program) unless a comment says
// otherwise. Texts are GBK byte strings; lengths and positions count bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <utility>

// ---------------------------------------------------------------------------------------------------------------
// Value record

// Every command argument and every result travels in one 12-byte record of three little-endian words.
struct Value {
    uint32_t lo;    // the value, its low 32 bits, or a block pointer
    uint32_t hi;    // high 32 bits of an 8-byte value; the unit identifier of a unit reference
    uint32_t type;  // type tag; 0 = argument omitted
};
static_assert(sizeof(Value) == 12, "a value record is three 32-bit words");
static_assert(offsetof(Value, lo) == 0 && offsetof(Value, hi) == 4 && offsetof(Value, type) == 8,
              "value record word order");

enum TypeTag : uint32_t {
    kTypeOmitted = 0,
    kTypeByte = 0x80000101,
    kTypeShort = 0x80000201,
    kTypeInt = 0x80000301,
    kTypeLong = 0x80000401,
    kTypeFloat = 0x80000501,
    kTypeDouble = 0x80000601,
    kTypeBool = 0x80000002,
    kTypeDate = 0x80000003,
    kTypeText = 0x80000004,
    kTypeBytes = 0x80000005,
    kTypeSubroutine = 0x80000006,
    kTypeOther8 = 0x80000008,  // an 8-byte kind this program never produces
};
constexpr uint32_t kArrayFlag = 0x20000000;    // OR'ed into a basic tag: lo points to an array block
constexpr uint32_t kElementMask = 0xDFFFFFFF;  // tag & mask = element kind of an array tag

// Unit type codes: (library number << 16) | type number within the library.
enum UnitType : uint32_t {
    kUnitWindow = 0x00010001,
    kUnitMenuItem = 0x00010003,
    kUnitEditBox = 0x00010005,
    kUnitPicBox = 0x00010006,
    kUnitGroupBox = 0x00010009,
    kUnitLabel = 0x0001000A,
    kUnitButton = 0x0001000B,
    kUnitCheckBox = 0x0001000C,
    kUnitRadioBox = 0x0001000D,
    kUnitComboBox = 0x0001000E,
    kUnitListBox = 0x0001000F,
    kUnitCommonDlg = 0x0001001F,
    kUnitTimer = 0x00010020,
    kUnitDataSrc = 0x0001002A,
    kUnitNProvider = 0x0001002B,
    kUnitStatusBar = 0x00020002,
};

// Dates count days since 1899-12-30 00:00; the runtime clamps converted dates to this range.
constexpr double kDateMin = -657434.0;  // 0100-01-01, also "no file" for get_file_time
constexpr double kDateMax = 2958465.0;  // 9999-12-31

// Record builders. Text and byte-set records borrow the block; a null block becomes the constant pool's
// empty text or empty byte-set, so a command always receives a valid block.
Value value_text(const char* block);
Value value_bytes(const void* block);
inline Value value_omitted() { return Value{0, 0, 0}; }
inline Value value_int(int32_t v) { return Value{static_cast<uint32_t>(v), 0, kTypeInt}; }
inline Value value_byte(uint8_t v) { return Value{v, 0, kTypeByte}; }
inline Value value_short(int16_t v) { return Value{static_cast<uint16_t>(v), 0, kTypeShort}; }
inline Value value_bool(bool v) { return Value{v ? 1u : 0u, 0, kTypeBool}; }
inline Value value_subroutine(const void* code) {
    return Value{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code)), 0, kTypeSubroutine};
}
Value value_long(int64_t v);
Value value_float(float v);
Value value_double(double v);
Value value_date(double v);
inline Value value_unit(uint32_t window, uint32_t unit, uint32_t type_code) { return Value{window, unit, type_code}; }
// An int variable passed by reference (array flag set, lo = the variable's address).
inline Value value_int_ref(int32_t* variable) {
    return Value{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(variable)), 0, kTypeInt | kArrayFlag};
}

// Record readers (the caller knows the kind; commands leave the result's tag at 0).
inline int32_t value_as_int(const Value& v) { return static_cast<int32_t>(v.lo); }
inline bool value_as_bool(const Value& v) { return v.lo != 0; }
int64_t value_as_long(const Value& v);
double value_as_double(const Value& v);  // the 8-byte double held in lo/hi
inline char* value_as_text(const Value& v) { return reinterpret_cast<char*>(static_cast<uintptr_t>(v.lo)); }
inline void* value_as_block(const Value& v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v.lo)); }

// ---------------------------------------------------------------------------------------------------------------
// Heap and blocks
//
// Text block: GBK bytes and a terminating 0; null and "" both mean the empty text.
// Byte-set block: {int32 1, int32 length, length bytes}; null means the empty byte-set.
// Array block: {int32 dimensions, one int32 count per dimension, elements}; a text array owns its texts.

// Allocates from the process heap without zeroing; never returns null (failure is fatal).
void* alloc_block(int32_t size);
// Null: as alloc_block. A literal in the constant pool: a fresh block with the literal's bytes copied (the
// pool is never written). Otherwise the heap block is resized or moved. Failure is fatal.
void* realloc_block(void* block, int32_t size);
// Null and pointers into the constant pool are ignored; anything else goes back to the heap.
void free_block(void* block);

// A new text of the len bytes at p (plus the 0); null when len <= 0. Caller owns the result.
char* new_text(const char* p, int32_t len);
char* new_text(const char* s);
// A new byte-set block holding len bytes of data (zeroed when data is null); null when len <= 0.
void* new_bytes(const void* data, int32_t len);
int32_t bytes_block_length(const void* block);  // 0 for null
inline const uint8_t* bytes_block_data(const void* block) {
    return block ? static_cast<const uint8_t*>(block) + 8 : nullptr;
}
// Frees a one-dimensional or multi-dimensional array block; with a text or byte-set element kind the
// elements are freed first.
void free_array(uint32_t element_tag, void* block);

// The constant pool: one static block holding every literal text and byte-set. It begins with its empty text
// (one 0 byte) and its empty byte-set {1, 0}. Set at start-up (a size of 0 leaves no pool: every non-null
// pointer then counts as a heap block) and forgotten at shut-down.
void set_constant_pool(const void* start, uint32_t size);
bool in_constant_pool(const void* p);
const char* empty_text();   // the pool's empty text (a built-in one before a pool is set)
const void* empty_bytes();  // the pool's empty byte-set {1, 0}

// ---------------------------------------------------------------------------------------------------------------
// Owning holders: a variable owns the block it holds, frees it when a new block is stored, and hands the
// pool's empty text or byte-set to commands when it holds null.

class Text {
  public:
    Text() = default;
    explicit Text(char* owned) : p_(owned) {}
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    Text(Text&& o) noexcept : p_(o.release()) {}
    Text& operator=(Text&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~Text() { free_block(p_); }

    static Text take(const Value& result) { return Text(value_as_text(result)); }  // adopt a command result
    static Text copy(const char* s) { return Text(new_text(s)); }
    Text clone() const { return copy(p_); }

    void reset(char* owned = nullptr) {
        if (owned != p_) free_block(p_);
        p_ = owned;
    }
    char* release() {
        char* p = p_;
        p_ = nullptr;
        return p;
    }
    char* get() const { return p_; }                    // may be null
    const char* c_str() const { return p_ ? p_ : ""; }  // never null
    int32_t length() const;
    bool empty() const { return !p_ || !*p_; }
    Value arg() const { return value_text(p_); }

  private:
    char* p_ = nullptr;
};

class Bytes {
  public:
    Bytes() = default;
    explicit Bytes(void* owned) : p_(owned) {}
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;
    Bytes(Bytes&& o) noexcept : p_(o.release()) {}
    Bytes& operator=(Bytes&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~Bytes() { free_block(p_); }

    static Bytes take(const Value& result) { return Bytes(value_as_block(result)); }
    // A heap copy of a whole byte-set block (header and data), as when a constant is stored in a variable.
    static Bytes copy(const void* block);

    void reset(void* owned = nullptr) {
        if (owned != p_) free_block(p_);
        p_ = owned;
    }
    void* release() {
        void* p = p_;
        p_ = nullptr;
        return p;
    }
    void* get() const { return p_; }
    int32_t length() const { return bytes_block_length(p_); }
    const uint8_t* data() const { return bytes_block_data(p_); }
    Value arg() const { return value_bytes(p_); }

  private:
    void* p_ = nullptr;
};

// A byte with the top bit set starts a two-byte GBK character (unless the text ends right after it).
inline bool is_lead_byte(unsigned char b) { return (b & 0x80) != 0; }
// The number of bytes of the character at p: 2 for a lead byte followed by anything but the terminating 0,
// else 1. Scanning with it never starts a match or a cut on the second byte of a two-byte character.
inline int32_t char_size(const char* p) { return is_lead_byte(static_cast<unsigned char>(p[0])) && p[1] ? 2 : 1; }

// Helpers that application code uses beside the commands.
bool text_equal(const char* a, const char* b);  // byte for byte; null equals ""
Text concat(std::initializer_list<const char*> parts);
inline int32_t truncate_to_int(double v) { return static_cast<int32_t>(v); }  // toward zero
inline bool double_equal(double a, double b) { return (a > b ? a - b : b - a) <= 1e-7; }

// ---------------------------------------------------------------------------------------------------------------
// Commands and entry points

// A library command: fills *result (lo, and hi for 8-byte kinds; type stays 0 except where a command says
// otherwise), reads argument i from args[i] when i < count and args[i].type != 0, never keeps or frees them.
using CommandFn = void (*)(Value* result, int32_t count, Value* args);

// Zero-fills a result record, calls cmd(&result, count, args) and returns the record.
Value call_command_array(CommandFn cmd, int32_t count, Value* args);

template <class... Args>
Value call_command(CommandFn cmd, int32_t count, const Args&... args) {
    static_assert((std::is_same_v<Args, Value> && ...), "command arguments are value records");
    Value records[sizeof...(Args) + 1] = {args..., Value{0, 0, 0}};
    return call_command_array(cmd, count, records);
}

// As call_command; the command's 0-based library index stays readable through current_library_index().
Value call_library_command_array(CommandFn cmd, int32_t library_index, int32_t count, Value* args);

template <class... Args>
Value call_library_command(CommandFn cmd, int32_t library_index, int32_t count, const Args&... args) {
    static_assert((std::is_same_v<Args, Value> && ...), "command arguments are value records");
    Value records[sizeof...(Args) + 1] = {args..., Value{0, 0, 0}};
    return call_library_command_array(cmd, library_index, count, records);
}
int32_t current_library_index();

// Property access of a loaded unit (window identifier, unit identifier, property number, sub-field or -1),
// answered by the window host (runtime/window_host.h); without one, the fatal "window not loaded". Text and
// byte-set results are new blocks that the caller owns; set_property copies what it needs.
uint64_t get_property(uint32_t window, uint32_t unit, int32_t property, int32_t member);
void set_property(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint32_t lo, uint32_t hi);
// A click on a button, check box or radio box as the user makes it, raising its click event: only while the
// user could click it (shown, enabled and in sight). False when it was not clicked (also without a window host).
bool click_unit(uint32_t window, uint32_t unit);

// Runs the shut-down sequence and ends the process with the code. From another thread it hands the request
// to the main thread and ends the process at once unless shut-down is already under way.
[[noreturn]] void exit_program(int32_t code);

// Reports numbered runtime error 1..11 (fatal).
[[noreturn]] void report_runtime_error(int32_t number);

// The single fatal reporter: the error hook when one is installed, else the "错误" message box; then the
// program ends with exit code -1. number 0 means a message-only error.
[[noreturn]] void fatal_error(const char* message, int32_t number = 0);
// The text that the fatal message box shows (caller owns it).
Text fatal_error_text(const char* message, int32_t number);

// The error hook gets (nesting count, error number, message); a positive answer suppresses the message box.
// The program itself never installs one.
using ErrorHook = int32_t (*)(int32_t nesting, int32_t number, const char* message);
void set_error_hook(ErrorHook hook);

// Binds DLL command `index` if it is not bound yet; false, without the fatal error of a call, when its library
// cannot be loaded or does not export the function (for commands the program can do without).
bool dll_command_available(int32_t index);
// Calls DLL command `index` (bound on first use) with the 32-bit argument words in order; returns edx:eax.
// A function that cannot be bound ends the program with the fatal error; a function that removes a different amount of
// argument data than was passed raises runtime error 6.
uint64_t call_dll_command_words(int32_t index, int32_t word_count, const uint32_t* words);

namespace dll_arg {
inline void push(uint32_t*& w, int32_t v) { *w++ = static_cast<uint32_t>(v); }
inline void push(uint32_t*& w, uint32_t v) { *w++ = v; }
inline void push(uint32_t*& w, bool v) { *w++ = v ? 1u : 0u; }
inline void push(uint32_t*& w, const void* p) { *w++ = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
inline void push(uint32_t*& w, const Text& t) { push(w, static_cast<const void*>(t.get())); }
// A byte-set goes to a DLL function as a pointer to its first data byte (null when the variable is null).
inline void push(uint32_t*& w, const Bytes& b) { push(w, static_cast<const void*>(b.get() ? b.data() : nullptr)); }
}  // namespace dll_arg

template <class... Args>
uint64_t call_dll_command(int32_t index, const Args&... args) {
    uint32_t words[sizeof...(Args) + 1] = {0};
    uint32_t* w = words;
    (dll_arg::push(w, args), ...);
    (void)w;
    return call_dll_command_words(index, static_cast<int32_t>(sizeof...(Args)), words);
}

// Internal routines: 0 find_file, 1 end_find_file, 3 register an exit routine, 6 initialise the runtime.
uintptr_t run_internal(int32_t routine, ...);

// find_file: the next matching entry's name (a new text) or null; see the file commands.
char* find_file(const char* pattern, int32_t attributes, int32_t attributes_omitted, void** search_handle);
void end_find_file(void* search_handle);
// find_entry: as find_file, but every entry passes and comes with what a walk needs to sort one listing
// itself (a folder walk that lists a folder once instead of once per kind of entry).
struct FoundEntry {
    uint32_t attributes;  // the system's attribute word (16: a folder)
    char short_name[14];  // the 8.3 name the system also matches patterns against; empty when the name is one
};
char* find_entry(const char* pattern, void** search_handle, FoundEntry* found);
using ExitRoutine = void (*)();
void register_exit_routine(ExitRoutine routine);  // a routine already registered is not added again

// ---------------------------------------------------------------------------------------------------------------
// The command library. Every command has the CommandFn shape; the comments give the arguments in order
// (opt = may be omitted) and the result kind.

// Text, byte-set and conversion commands (pure: new blocks for the caller, never fatal but bytes_to_value).
void text_length(Value* result, int32_t count, Value* args);        // text -> int
void bytes_length(Value* result, int32_t count, Value* args);       // byte-set -> int
void text_left(Value* result, int32_t count, Value* args);          // text, count -> text
void text_right(Value* result, int32_t count, Value* args);         // text, count -> text
void text_mid(Value* result, int32_t count, Value* args);           // text, start (1-based), count -> text
void char_to_text(Value* result, int32_t count, Value* args);       // code -> text
void find_text(Value* result, int32_t count, Value* args);          // text, sought, start opt, ignore_case -> int
void find_text_reverse(Value* result, int32_t count, Value* args);  // text, sought, end opt, ignore_case -> int
void trim_leading(Value* result, int32_t count, Value* args);       // text -> text
void trim_trailing(Value* result, int32_t count, Value* args);      // text -> text
void split_text(Value* result, int32_t count, Value* args);         // text, separator opt, max_parts opt -> text array
void to_text(Value* result, int32_t count, Value* args);            // any -> text
void to_number(Value* result, int32_t count, Value* args);          // any -> double
void to_bytes(Value* result, int32_t count, Value* args);           // any -> byte-set
void bytes_to_value(Value* result, int32_t count, Value* args);     // byte-set, kind 1..10, position opt -> kind
void make_zero_bytes(Value* result, int32_t count, Value* args);    // length -> byte-set
void bit_or(Value* result, int32_t count, Value* args);             // int... -> int
void abs_value(Value* result, int32_t count, Value* args);          // double -> double
void floor_to_int(Value* result, int32_t count, Value* args);       // double -> int
void date_year(Value* result, int32_t count, Value* args);          // date -> int
void date_month(Value* result, int32_t count, Value* args);         // date -> int
void date_day(Value* result, int32_t count, Value* args);           // date -> int
void date_hour(Value* result, int32_t count, Value* args);          // date -> int
void date_minute(Value* result, int32_t count, Value* args);        // date -> int

// File, directory, disk, process and system commands (failures answer false, 0, -1 or the empty text).
void create_directory(Value* result, int32_t count, Value* args);     // path -> bool
void copy_file(Value* result, int32_t count, Value* args);            // source, target -> bool (overwrites)
void delete_file(Value* result, int32_t count, Value* args);          // path -> bool
void move_file(Value* result, int32_t count, Value* args);            // source, target -> bool
void file_exists(Value* result, int32_t count, Value* args);          // path (wildcards) -> bool
void set_file_attributes(Value* result, int32_t count, Value* args);  // path, attributes -> bool
void get_file_time(Value* result, int32_t count, Value* args);        // path -> date
void get_file_size(Value* result, int32_t count, Value* args);        // path -> int
void write_file(Value* result, int32_t count, Value* args);           // path, byte-set, byte-sets opt -> bool
void open_file(Value* result, int32_t count, Value* args);            // path, access opt, share opt -> file number
void close_file(Value* result, int32_t count, Value* args);           // file number
void seek_file_start(Value* result, int32_t count, Value* args);      // file number -> bool
void read_line(Value* result, int32_t count, Value* args);            // file number -> text
void at_end_of_file(Value* result, int32_t count, Value* args);       // file number, marker_is_end opt -> bool
void disk_total_kb(Value* result, int32_t count, Value* args);        // drive opt -> int
void disk_free_kb(Value* result, int32_t count, Value* args);         // drive opt -> int
void run_program(Value* result, int32_t count, Value* args);          // command line, wait opt, show opt -> bool
void get_run_directory(Value* result, int32_t count, Value* args);    // -> text
void shut_down_system(Value* result, int32_t count, Value* args);     // mode, force opt -> bool (library 3)

// Where the system places a drive, by its letter (A to Z, either case): a partition of a disk, another kind of
// device (a CD drive, a disk without partitions), or no answer (no such drive, or the system cannot tell, as for
// a spanned volume).
struct DrivePlace {
    enum Kind : int32_t { kNoAnswer, kPartition, kOtherDevice } kind;
    int32_t disk;       // the system's disk number, from 0 (kPartition only)
    int32_t partition;  // the partition's number on that disk, from 1 (kPartition only)
};
DrivePlace system_drive_place(char letter);  // asks the volume \\.\X: for its device number
// The query the application uses; system_drive_place unless a test or a test setting put other answers here.
using DrivePlaceQuery = DrivePlace (*)(char letter);
extern DrivePlaceQuery query_drive_place;
// Makes query_drive_place answer from a list instead, e.g. "C=0:2;D=cd;E=0:3": disk 0 partition 2, a CD drive,
// disk 0 partition 3 (disk numbers from 0); a letter not named, or named in another form, has no answer.
void use_listed_drive_places(const char* list);

// One entry of a disk's partition table as the system lists it.
struct PartitionTableEntry {
    int64_t start;   // byte offset of the partition on the disk
    int32_t type;    // the partition type byte: 0 an unused entry, 0x05, 0x0F or 0x85 an extended container
    int32_t number;  // the system's partition number (0 for an unused entry or a container)
};
// The place (from 1), in on-disk order, of the partition that the system numbers `number`, among the entries
// that are neither unused nor extended containers; 0 when no entry carries that number, -1 when no entry
// carries a number at all (a table that says nothing about the system's numbering).
int32_t partition_place(const PartitionTableEntry* entries, int32_t count, int32_t number);
// The place on the first disk of the partition that the system numbers `number` there, from the partition
// table of \\.\PhysicalDrive0 (reading it needs administrator rights); -1 when the system gives no answer.
int32_t system_first_disk_place(int32_t number);
// The query the application uses; system_first_disk_place unless a test or a test setting put another here.
using DiskPlaceQuery = int32_t (*)(int32_t number);
extern DiskPlaceQuery query_first_disk_place;
// Makes query_first_disk_place answer from a list of the system's partition numbers in on-disk order instead,
// e.g. "1,3,4,2": the partition the system numbers 3 is the second on the disk.
void use_listed_disk_order(const char* list);

// Window and unit commands.
void load_window(Value* result, int32_t count, Value* args);         // window, parent opt, modal -> bool
void destroy_window(Value* result, int32_t count, Value* args);      // window, now opt
void message_box(Value* result, int32_t count, Value* args);         // message, buttons, caption opt, parent opt -> int
void process_events(Value* result, int32_t count, Value* args);      // -
void list_item_count(Value* result, int32_t count, Value* args);     // list box -> int
void list_item_text(Value* result, int32_t count, Value* args);      // list box, index -> text
void list_current_index(Value* result, int32_t count, Value* args);  // list box -> int
void list_set_current(Value* result, int32_t count, Value* args);    // list box, index -> bool
void list_add_item(Value* result, int32_t count, Value* args);       // list box, text, item data opt -> int
void list_clear(Value* result, int32_t count, Value* args);          // list box
void open_common_dialog(Value* result, int32_t count, Value* args);  // file dialog -> bool
void status_bar_set_text(Value* result, int32_t count, Value* args);  // status bar, part, text opt (library 2)

// ---------------------------------------------------------------------------------------------------------------
// Program header and support libraries

using NotifyFn = int32_t (*)(int32_t code, uintptr_t arg1, uintptr_t arg2);
using ServiceFn = uintptr_t (*)(int32_t number, uintptr_t arg1, uintptr_t arg2);

// What the runtime reads of a support library's descriptor (byte offsets fixed).
struct LibraryDescriptor {
    uint32_t descriptor_format;      // 0   0x01312D65
    const char* identity;            // 4   32 hex digits
    int32_t versions[7];             // 8   major, minor, build, min runtime (2), min core library (2)
    const char* name;                // 36
    uint32_t reserved1[11];          // 40
    int32_t type_count;              // 84
    const void* type_table;          // 88
    uint32_t reserved2[2];           // 92
    int32_t command_count;           // 100
    uint32_t reserved3;              // 104
    const CommandFn* command_table;  // 108
    uint32_t reserved4[2];           // 112
    NotifyFn notify;                 // 120
};
static_assert(offsetof(LibraryDescriptor, name) == 36 && offsetof(LibraryDescriptor, type_count) == 84 &&
                  offsetof(LibraryDescriptor, command_count) == 100 &&
                  offsetof(LibraryDescriptor, command_table) == 108 && offsetof(LibraryDescriptor, notify) == 120,
              "library descriptor layout");
constexpr uint32_t kDescriptorFormat = 0x01312D65;
constexpr int32_t kNotifyStart = 1;     // arg1 = the runtime service function
constexpr int32_t kNotifyShutdown = 6;  // arg1 = the library's per-run data word

// The one constant record from which the runtime learns what the program consists of.
struct ProgramHeader {
    uint32_t program_kind;                          // 0   3; 2 would break into a debugger on fatal errors
    uint32_t reserved;                              // 4
    uint32_t header_word_2;                         // 8   0x000102EA, kept + 1
    const void* code_base;                          // 12  event-handler references are offsets from here
    const void* const_pool_start;                   // 16
    uint32_t const_pool_size;                       // 20  0 = no pool
    const void* form_data_start;                    // 24
    uint32_t form_data_size;                        // 28  0 = no windows
    int32_t library_count;                          // 32
    const LibraryDescriptor* const* library_table;  // 36 library 1 first
    int32_t dll_command_count;                      // 40
    const char* const* dll_library_names;           // 44 "" = search the system libraries
    const char* const* dll_function_names;          // 48 a name, or "#" and a decimal ordinal
};
static_assert(sizeof(ProgramHeader) == 52, "program header layout");

// The runtime service function handed to every support library at start-up.
uintptr_t runtime_service(int32_t number, uintptr_t arg1, uintptr_t arg2);

enum ServiceNumber : int32_t {
    kServiceProgramDirectory = 2003,
    kServiceProgramFileName = 2004,
    kServiceLoadWindow = 2005,
    kServiceFindUnitQuiet = 2006,
    kServiceFindUnit = 2007,
    kServiceLookUpFile = 2011,
    kServiceRegisterFile = 2012,
    kServiceUnregisterFile = 2013,
    kServiceProcessMessages = 2018,
    kServiceFreeArray = 2023,
    kServiceAllocate = 2024,
    kServiceFree = 2025,
    kServiceReallocate = 2026,
    kServiceFatal = 2027,
    kServiceEndProgram = 2028,
};

// The three support libraries' descriptors, in library-number order, for the program header.
extern const LibraryDescriptor* const kSupportLibraries[3];

// Loads the start-up window (visible, not modal); ends the program with a fatal error when it is missing or
// cannot be created.
void load_startup_window(uint32_t window, uint32_t self);
// The message loop: runs until WM_QUIT, or until no window is left. With a modal flag it runs a modal window:
// it returns once *modal_running is false or a WM_QUIT is waiting, leaving the WM_QUIT queued for the outer
// loop.
void run_message_loop(const bool* modal_running = nullptr);

// Program directory (no trailing "\") and program file name, recorded at start-up; "" before.
const char* program_directory();
const char* program_file_name();
