// Every conversion between pointers and the integers that window messages
// carry goes through these two, so the 32- and 64-bit builds stay clean.
#pragma once

#include <windows.h>

template <class T>
T* asPointer(LONG_PTR value) {
    return reinterpret_cast<T*>(value);
}

template <class T>
LONG_PTR asInteger(T* pointer) {
    return reinterpret_cast<LONG_PTR>(pointer);
}
