#pragma once
// How a field's value reads as text, the way a dataset shows it: integers as digits, other numbers
// with the locale's decimal separator, dates in the short date format, and text as UTF-8 whatever
// the client handed over.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Relogio.h"

namespace kiv::db {

// Bytes a client delivered as text: kept when they are UTF-8, otherwise read as the ANSI code page
// (a legacy column without a declared character set holds ANSI bytes).
std::string TextoDoCliente(std::string bytes);

// An integer of `escala` decimal places (value * 10^-escala), exact, with the trailing zeros of
// the fraction dropped: 1250 with 2 places is "12,5" under a comma separator.
std::string NumeroEscalado(int64_t valor, int escala);

// A decimal written by the client with a point ("-12.50", ".5"), shown like NumeroEscalado.
std::string NumeroDecimalTexto(std::string_view texto);

// A floating-point number in the general format of `digitos` significant digits (15 for double,
// 7 for single precision): "1,5", "1E20", "1,5E-7".
std::string NumeroReal(double valor, int digitos = 15);

// A date in the short date format; a date-time adds " hh:mm:ss" unless it is exactly midnight.
std::string Data(const plataforma::DataHora& d);
std::string DataHora(const plataforma::DataHora& d);
std::string Hora(const plataforma::DataHora& d);

// UTF-16 code units (as an ODBC driver returns them) to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ParaUtf8(const char16_t* texto, size_t unidades);

}  // namespace kiv::db
