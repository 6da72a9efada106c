#include "platform/windows/WmiValueText.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/windows/ComOwnership.h"
#include "platform/windows/WideText.h"

namespace drivecopy::windows_backend {
namespace {

using ElementText = std::string (*)(const VARIANT&);

// `element` converted to `type` without regard to the user's locale (a
// number in a string is read with a decimal point, never a comma); false
// when it cannot be.
bool ConvertTo(const VARIANT& element, VARTYPE type, OwnedVariant& converted) {
  return SUCCEEDED(
      ::VariantChangeTypeEx(converted.Get(), const_cast<VARIANT*>(&element), LOCALE_INVARIANT, 0, type));
}

std::string IntegerText(const VARIANT& element) {
  OwnedVariant converted;
  if (!ConvertTo(element, VT_I8, converted)) return {};
  const auto lowBits = static_cast<std::uint32_t>(V_I8(converted.Get()));
  return std::to_string(static_cast<std::int32_t>(lowBits));
}

std::string RealText(const VARIANT& element) {
  OwnedVariant converted;
  if (!ConvertTo(element, VT_R8, converted)) return {};
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%.15g", V_R8(converted.Get()));
  return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

std::string PlainText(const VARIANT& element) {
  OwnedVariant converted;
  if (!ConvertTo(element, VT_BSTR, converted)) return {};
  const BSTR text = V_BSTR(converted.Get());
  return Narrow(std::wstring_view(text, ::SysStringLen(text)));
}

std::string BooleanText(const VARIANT& element) {
  OwnedVariant converted;
  if (!ConvertTo(element, VT_BOOL, converted)) return {};
  return V_BOOL(converted.Get()) != VARIANT_FALSE ? "True" : "False";
}

ElementText ElementTextFor(CIMTYPE type) {
  switch (type) {
    case CIM_SINT8:
    case CIM_UINT8:
    case CIM_SINT16:
    case CIM_UINT16:
    case CIM_SINT32:
    case CIM_UINT32:
    case CIM_SINT64:
      return IntegerText;
    case CIM_REAL32:
    case CIM_REAL64:
      return RealText;
    case CIM_STRING:
    case CIM_UINT64:
    case CIM_DATETIME:
    case CIM_REFERENCE:
      return PlainText;
    case CIM_BOOLEAN:
      return BooleanText;
    default:
      return nullptr;
  }
}

// The texts of a one-dimensional array's elements joined by "|"; empty for
// an array of any other shape or of elements that do not fit a VARIANT.
std::string JoinedElements(const VARIANT& value, ElementText text) {
  const bool byReference = (V_VT(&value) & VT_BYREF) != 0;
  if (byReference && V_ARRAYREF(&value) == nullptr) return {};
  SAFEARRAY* array = byReference ? *V_ARRAYREF(&value) : V_ARRAY(&value);
  if (array == nullptr || ::SafeArrayGetDim(array) != 1) return {};
  LONG first = 0;
  LONG last = -1;
  if (FAILED(::SafeArrayGetLBound(array, 1, &first)) || FAILED(::SafeArrayGetUBound(array, 1, &last)))
    return {};
  const auto elementType = static_cast<VARTYPE>(V_VT(&value) & VT_TYPEMASK);
  const bool heldInVariants = elementType == VT_VARIANT;
  if (!heldInVariants && ::SafeArrayGetElemsize(array) > sizeof(LONGLONG)) return {};

  std::string joined;
  for (LONG index = first; index <= last; ++index) {
    if (index != first) joined += '|';
    OwnedVariant element;
    if (heldInVariants) {
      if (FAILED(::SafeArrayGetElement(array, &index, element.Get()))) continue;
    } else {
      // The element is copied into the VARIANT's value; its type is set
      // only once the copy (a string or interface it then owns) is there.
      if (FAILED(::SafeArrayGetElement(array, &index, &V_I8(element.Get())))) continue;
      V_VT(element.Get()) = elementType;
    }
    joined += text(*element);
  }
  return joined;
}

}  // namespace

std::string WmiValueText(const VARIANT& value, CIMTYPE type) {
  if (V_VT(&value) == VT_NULL || V_VT(&value) == VT_EMPTY) return "NULL";
  const CIMTYPE baseType = type & ~CIM_FLAG_ARRAY;
  if (baseType == CIM_OBJECT) return "<CIM Object>";
  if (baseType == CIM_CHAR16) return "<16-bit character>";
  const ElementText text = ElementTextFor(baseType);
  if (text == nullptr) return {};
  if ((V_VT(&value) & VT_ARRAY) != 0) return JoinedElements(value, text);
  return text(value);
}

}  // namespace drivecopy::windows_backend
