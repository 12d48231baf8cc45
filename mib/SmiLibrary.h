#pragma once
// libsmi's header, which names a parameter "class" and so does not compile as C++ as it is.

#define class smi_class_
#include <smi.h>
#undef class
