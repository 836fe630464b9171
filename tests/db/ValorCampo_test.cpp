// Numbers as a dataset shows them, under a comma decimal separator.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "db/ValorCampo.h"
#include "support/Ambiente.h"

namespace {

using namespace kiv::db;

TEST(ValorCampo, NumbersReadAsADatasetShowsThem) {
  kiv::teste::AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  struct Caso {
    std::string obtido, esperado;
  } casos[] = {
      // scaled integers (NUMERIC/DECIMAL of Firebird), exact
      {NumeroEscalado(125000, 4), "12,5"},
      {NumeroEscalado(-5, 2), "-0,05"},
      {NumeroEscalado(0, 2), "0"},
      {NumeroEscalado(1200, 2), "12"},
      {NumeroEscalado(std::numeric_limits<int64_t>::min(), 4), "-922337203685477,5808"},
      {NumeroEscalado(7, -3), "7000"},
      // decimals an ODBC driver writes as text
      {NumeroDecimalTexto("-12.50"), "-12,5"},
      {NumeroDecimalTexto(".5"), "0,5"},
      {NumeroDecimalTexto("0.000"), "0"},
      {NumeroDecimalTexto("-0.00"), "0"},
      {NumeroDecimalTexto("00042"), "42"},
      {NumeroDecimalTexto("1E+5"), "1E+5"},
      // floating point, 15 significant digits (7 for single precision)
      {NumeroReal(1.5), "1,5"},
      {NumeroReal(0.1), "0,1"},
      {NumeroReal(1e20), "1E20"},
      {NumeroReal(-1.5e-7), "-1,5E-7"},
      {NumeroReal(123456789012.25), "123456789012,25"},
      {NumeroReal(0.1f, 7), "0,1"},
      {NumeroReal(0.0), "0"},
  };
  for (const auto& c : casos) EXPECT_EQ(c.obtido, c.esperado);
}

TEST(ValorCampo, Utf16BecomesUtf8AndABrokenPairBecomesAReplacement) {
  const char16_t texto[] = u"ação 𝄞";
  EXPECT_EQ(Utf16ParaUtf8(texto, std::char_traits<char16_t>::length(texto)), "ação 𝄞");
  const char16_t quebrado[] = {u'a', 0xD834, u'b'};
  EXPECT_EQ(Utf16ParaUtf8(quebrado, 3), "a\xEF\xBF\xBD" "b");
}

}  // namespace
