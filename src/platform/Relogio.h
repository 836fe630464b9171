#pragma once
// Local wall-clock time, and the day-number form the selection commands compute with.
#include <optional>

namespace kiv::plataforma {

struct DataHora {
  int ano = 1899, mes = 12, dia = 30;
  int hora = 0, minuto = 0, segundo = 0, milissegundo = 0;
  bool operator==(const DataHora&) const = default;
};

// Local date and time now, or the value fixed by a test.
DataHora Agora();

// Fixes the clock for tests; std::nullopt returns to the real clock.
void FixarRelogio(std::optional<DataHora> fixo);

// Date-time value: days since 30 December 1899, the fraction being the time of day.
double ParaDataHoraNumero(const DataHora& d);
DataHora DeDataHoraNumero(double valor);

}  // namespace kiv::plataforma
