#pragma once
#include <string>

#include "platform/Platform.h"

namespace drivecopy::windows_backend {

// Runs a WQL query in root\CIMV2 and counts the objects it gives: Result -1
// when a WMI call failed (COM, the connection, the query, the enumeration,
// or reading the property), otherwise the number of objects. When there is
// exactly one, Value is the text of its `propertyName` (see WmiValueText);
// a property without a value, whose text is "NULL", gives an empty Value.
// The calling thread's COM set-up is left as it was found.
IdentityAnswer QueryWmiProperty(const std::wstring& query, const std::wstring& propertyName);

// The queries for physical drive `driveNumber` (the drive's name as WQL
// writes \\.\PHYSICALDRIVEn, every backslash doubled), and the property
// each is read for.
std::wstring DriveModelQuery(int driveNumber);
std::wstring DriveInterfaceTypeQuery(int driveNumber);
inline constexpr const wchar_t* DriveModelProperty = L"Model";
inline constexpr const wchar_t* DriveInterfaceTypeProperty = L"InterfaceType";

}  // namespace drivecopy::windows_backend
