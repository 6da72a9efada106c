#pragma once
#include <windows.h>
// The WMI declarations build on the system types above.
#include <wbemcli.h>

#include <string>

namespace drivecopy::windows_backend {

// The text shown for a WMI property's value, chosen by the property's CIM
// type (the array flag aside):
//   a null value                    "NULL"
//   8-, 16- and 32-bit integers,
//   signed 64-bit integers          decimal, taken as a signed 32-bit integer
//                                   (a value beyond that keeps its low 32 bits)
//   32- and 64-bit reals            general notation, up to 15 significant digits
//   strings, unsigned 64-bit
//   integers (WMI gives them as
//   strings), dates, references     the text
//   booleans                        "True" or "False"
//   embedded objects                "<CIM Object>"
//   16-bit characters               "<16-bit character>"
//   any other type                  empty
// An array of integers, reals, booleans or texts gives its elements' texts
// in index order joined by "|".
std::string WmiValueText(const VARIANT& value, CIMTYPE type);

}  // namespace drivecopy::windows_backend
