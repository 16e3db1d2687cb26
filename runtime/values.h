// Values: the 12-byte record in which every command argument and result travels, with its type tags and
// the unit type codes, and the blocks that texts, byte-sets and arrays point at: the heap, the constant pool,
// the ownership rules and the owning holders Text and Bytes.
//
// Everything here runs on the main thread (the one that started the program). Texts are GBK byte strings;
// lengths and positions count bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

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

