#pragma once
// Plain types shared by every user of the scene interface: value type codes,
// the list descriptor, the captured-shader handle, shader kinds, mode flags.
// Everything here crosses the binary boundary to the live library, so the
// numbers and the layout of velList are fixed.

#include <cstdint>

// Opaque handle to the captured text of an anonymous shader. Created and owned
// by the scene interface implementation; callers never read or free it.
struct velShaderTextData;
using ShaderText = velShaderTextData*;

namespace vel {

// Type codes of parameter and list values. A scalar code's value pointer
// points at the value itself; a list code (scalar code + ListBit) points at a
// velList descriptor.
enum TypeCode : int {
    TypeVector3f = 1,      // three floats
    TypeVector4f = 2,      // four floats
    TypeFloat = 3,         // one float
    TypeDouble = 4,        // one double
    TypeVector3d = 5,      // three doubles
    TypeInt = 6,           // one 32-bit signed int
    TypeBool = 7,          // read as a 32-bit int, non-zero is true
    TypeNone = 8,          // no value: the parameter's name alone (so are 11, 12, 19 to 22 and 8192)
    TypeMatrix = 9,        // 16 doubles
    TypeString = 10,       // pointer to the characters
    TypeStringPtr = 13,    // pointer to a const char* pointer
    TypeVector2f = 14,     // two floats
    TypeColor4f = 15,      // four floats, same as TypeVector4f
    TypeInt2 = 16,
    TypeInt3 = 17,
    TypeInt4 = 18,
    TypeIntAlias = 23,     // one int, same as TypeInt
    TypeShaderText = 0x10000, // pointer to a ShaderText handle

    ListBit = 0x8000,
    TypeVector3fList = ListBit | TypeVector3f,   // count of float triples
    TypeVector4fList = ListBit | TypeVector4f,
    TypeFloatList = ListBit | TypeFloat,
    TypeDoubleList = ListBit | TypeDouble,
    TypeVector3dList = ListBit | TypeVector3d,
    TypeIntList = ListBit | TypeInt,
    TypeBoolList = ListBit | TypeBool,           // stored as ints
    TypeMatrixList = ListBit | TypeMatrix,       // count of matrices
    TypeStringList = ListBit | TypeString,       // array of const char*
    TypeStringPtrList = ListBit | TypeStringPtr, // array of const char*
    TypeIntAliasList = ListBit | TypeIntAlias,
};

// Slots of the open material that shaderText and shaderId fill. Any other
// kind is taken as surface.
enum ShaderKind : int {
    ShaderSurface = 0,
    ShaderShadow = 1,
    ShaderVolume = 2,
    ShaderReflectionMap = 3,
};

// Bits of the setModeFlags word. The file writer reads the binary-list and
// no-indentation bits and ignores the others.
enum ModeFlag : std::uint32_t {
    ModeBase = 0x1,        // in every mode word the add-in and the writer use
    ModeBinaryLists = 0x2,
    ModeNoIndent = 0x400000,
};

// The mode word of a fresh file writer: lists as its maker chose, no
// indentation.
inline constexpr int kWriterStartModeFlags = ModeBase | ModeNoIndent;
// The mode word the export command sets: text lists, indented.
inline constexpr int kExportModeFlags = ModeBase;

} // namespace vel

// List descriptor: the value of a list-coded parameter. Layout fixed: the
// pointer to the first element, then the 32-bit element count.
struct velList {
    const void* data;
    std::uint32_t count;
};
