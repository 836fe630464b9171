#pragma once
// The regional settings the package formats and reads numbers and dates with.
#include <optional>
#include <string>

#include "platform/Relogio.h"

namespace kiv::plataforma {

struct ConfiguracaoRegional {
  std::string separadorDecimal = ".";
  std::string separadorData = "/";
  std::string formatoDataCurta = "MM/dd/yy";  // d, dd, M/m, MM/mm, yy, yyyy and the separator
  std::string separadorHora = ":";
};

// The settings of the process's C locale at the moment of the call (LC_NUMERIC for the decimal
// separator, LC_TIME for the dates and times), or the ones fixed by a test.
ConfiguracaoRegional Regional();

// Fixes the settings for tests; std::nullopt returns to the process locale.
void FixarRegional(std::optional<ConfiguracaoRegional> fixo);

// A date written in the short date format of the settings.
std::string FormatarDataCurta(const DataHora& d, const ConfiguracaoRegional& r);

}  // namespace kiv::plataforma
