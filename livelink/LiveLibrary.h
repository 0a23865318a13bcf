#pragma once
// The binary interface of RayDeck's live library, the outside component that
// implements the scene interface for the live link and finds running RayDeck
// processes. The add-in loads it at run time (raydecklive_loader.h) and calls
// it only through the vtables declared here, so these classes are a binary
// contract with code built by another compiler:
//
// - The ORDER of the virtual operations is fixed; never insert, remove or
//   reorder one, and never overload a name (MSVC groups overloads together in
//   the vtable, GCC does not). The number after each operation is its slot,
//   counted from 1 as the Microsoft ABI counts them; a test lays these
//   classes out as MSVC does and compares
//   (tests/sceneapi/CheckMicrosoftAbiSlots.cmake).
// - There is deliberately NO virtual destructor. The library's root object is
//   built with MSVC, where its first slot is the "scalar deleting destructor",
//   one slot taking a flag (1: destroy and free). GCC and mingw would give a
//   virtual destructor two slots and shift every later operation. Declaring
//   the slot as the ordinary function destroy(int) gives the same one-slot
//   layout under both ABIs; calling destroy(1) destroys and frees the object.
//   The destructors are protected and non-virtual so that nobody deletes
//   these objects directly.
// - On x64 there is a single calling convention, and a return value the
//   caller ignores (MSVC's deleting destructor returns this) costs nothing, so
//   the declarations below match the library's slots call for call.
//
// Texts returned by the library are zero-terminated XML, owned by the object
// that returned them; the add-in parses each before its next call on that
// object and never frees one.

#include <cstdint>

class velScene_api;

namespace vel::live {

// Finds running RayDeck processes and inspects their scenes. Owned by the
// root object; never freed by the add-in.
class QueryApi {
public:
    // An XML document with one child element of the root element per
    // running RayDeck process, carrying "version_major", "process_id" and
    // "livelink_port" elements; null when there is nothing to report.
    virtual const char* listInstances() = 0;                       // 1

    // Starts inspecting the process; true when it now can be.
    virtual bool attach(std::int64_t processId) = 0;               // 2

    // Not used by the add-in.
    virtual void reserved3() {}                                    // 3

    // Ends the inspection begun by attach.
    virtual void detach() = 0;                                     // 4

    // Not used by the add-in.
    virtual void reserved5() {}                                    // 5
    virtual void reserved6() {}                                    // 6

    // An XML document describing the attached process's scene (model sets
    // carry "modelset" and "name" attributes); null when there is none.
    virtual const char* describeScene() = 0;                       // 7

protected:
    QueryApi() = default;
    ~QueryApi() = default;
    QueryApi(const QueryApi&) = default;
    QueryApi& operator=(const QueryApi&) = default;
};

// The object "raydeck_live_initialize" returns. The two interfaces it hands
// out belong to it and live until destroy.
class RootObject {
public:
    // Called with 1, destroys the object and frees its memory (the MSVC
    // scalar deleting destructor; see above).
    virtual void destroy(int flags) = 0;                           // 1

    // The live implementation of the 68-operation scene interface; null
    // when unavailable.
    virtual velScene_api* sceneApi() = 0;                          // 2

    // The query interface; null when unavailable.
    virtual QueryApi* queryApi() = 0;                              // 3

protected:
    RootObject() = default;
    ~RootObject() = default;
    RootObject(const RootObject&) = default;
    RootObject& operator=(const RootObject&) = default;
};

// The flag destroy is called with: destroy the object and free its memory.
inline constexpr int kDestroyAndFree = 1;

// The library's one exported entry point: no arguments, the root object or
// null on failure. Exported unmangled under this name.
inline constexpr char kInitializeSymbol[] = "raydeck_live_initialize";
using InitializeFunction = RootObject* (*)();

} // namespace vel::live
