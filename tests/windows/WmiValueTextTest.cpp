// The text of a WMI value on VARIANTs made by hand, in the forms WMI gives
// them (an unsigned 32-bit integer as VT_I4, a 64-bit one as a string).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/windows/ComOwnership.h"
#include "platform/windows/WmiValueText.h"

namespace drivecopy::windows_backend {
namespace {

using Fill = std::function<void(VARIANT*)>;

Fill Integer(LONG value) {
  return [value](VARIANT* v) {
    V_VT(v) = VT_I4;
    V_I4(v) = value;
  };
}

Fill Byte(BYTE value) {
  return [value](VARIANT* v) {
    V_VT(v) = VT_UI1;
    V_UI1(v) = value;
  };
}

Fill Real(double value) {
  return [value](VARIANT* v) {
    V_VT(v) = VT_R8;
    V_R8(v) = value;
  };
}

Fill Boolean(bool value) {
  return [value](VARIANT* v) {
    V_VT(v) = VT_BOOL;
    V_BOOL(v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  };
}

Fill Text(const wchar_t* text) {
  return [text](VARIANT* v) {
    V_VT(v) = VT_BSTR;
    V_BSTR(v) = ::SysAllocString(text);
  };
}

Fill Null() {
  return [](VARIANT* v) { V_VT(v) = VT_NULL; };
}

Fill Object() {
  return [](VARIANT* v) {
    V_VT(v) = VT_UNKNOWN;
    V_UNKNOWN(v) = nullptr;
  };
}

Fill Integers(std::vector<LONG> values) {
  return [values](VARIANT* v) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(values.size()));
    for (LONG index = 0; index < static_cast<LONG>(values.size()); ++index)
      ::SafeArrayPutElement(array, &index, const_cast<LONG*>(&values[static_cast<std::size_t>(index)]));
    V_VT(v) = VT_ARRAY | VT_I4;
    V_ARRAY(v) = array;
  };
}

Fill Texts(std::vector<const wchar_t*> texts) {
  return [texts](VARIANT* v) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    for (LONG index = 0; index < static_cast<LONG>(texts.size()); ++index) {
      BSTR element = ::SysAllocString(texts[static_cast<std::size_t>(index)]);
      ::SafeArrayPutElement(array, &index, element);  // copies the string
      ::SysFreeString(element);
    }
    V_VT(v) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v) = array;
  };
}

struct ValueCase {
  const char* what;
  Fill fill;
  CIMTYPE type;
  std::string text;
};

TEST(WmiValueText, GivesEachKindOfValueItsText) {
  const std::vector<ValueCase> cases = {
      {"signed 32-bit", Integer(-42), CIM_SINT32, "-42"},
      {"unsigned 8-bit", Byte(200), CIM_UINT8, "200"},
      {"unsigned 32-bit 4294967295, as WMI holds it", Integer(-1), CIM_UINT32, "-1"},
      {"signed 64-bit as a string", Text(L"1234567"), CIM_SINT64, "1234567"},
      {"signed 64-bit beyond 32 bits", Text(L"4294967297"), CIM_SINT64, "1"},
      {"integer array", Integers({1, 2, 3}), CIM_UINT16 | CIM_FLAG_ARRAY, "1|2|3"},
      {"empty integer array", Integers({}), CIM_SINT32 | CIM_FLAG_ARRAY, ""},
      {"true", Boolean(true), CIM_BOOLEAN, "True"},
      {"false", Boolean(false), CIM_BOOLEAN, "False"},
      {"null string", Null(), CIM_STRING, "NULL"},
      {"null integer", Null(), CIM_UINT32, "NULL"},
      {"string", Text(L"Wine Disk Drive"), CIM_STRING, "Wine Disk Drive"},
      {"string beyond ASCII", Text(L"Festplatte \u00e4\u20ac"), CIM_STRING,
       "Festplatte \xc3\xa4\xe2\x82\xac"},
      {"string array", Texts({L"SCSI", L"", L"IDE"}), CIM_STRING | CIM_FLAG_ARRAY, "SCSI||IDE"},
      {"unsigned 64-bit as a string", Text(L"18446744073709551615"), CIM_UINT64, "18446744073709551615"},
      {"date", Text(L"20240131120000.000000+060"), CIM_DATETIME, "20240131120000.000000+060"},
      {"real", Real(2.5), CIM_REAL64, "2.5"},
      {"real with no exact binary form", Real(0.1), CIM_REAL64, "0.1"},
      {"real of 15 digits", Real(123456789.012345), CIM_REAL64, "123456789.012345"},
      {"large real", Real(1e20), CIM_REAL32, "1e+20"},
      {"embedded object", Object(), CIM_OBJECT, "<CIM Object>"},
      {"16-bit character", Integer(65), CIM_CHAR16, "<16-bit character>"},
      {"a type without a text", Integer(7), CIM_EMPTY, ""},
  };
  for (const ValueCase& c : cases) {
    OwnedVariant value;
    c.fill(value.Get());
    EXPECT_EQ(WmiValueText(*value, c.type), c.text) << c.what;
  }
}

}  // namespace
}  // namespace drivecopy::windows_backend
