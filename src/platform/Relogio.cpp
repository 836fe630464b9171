#include "platform/Relogio.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

namespace kiv::plataforma {
namespace {

std::mutex g_mutex;
std::optional<DataHora> g_fixo;

// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
long long DiasDesdeEpoca(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void DataDeDias(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

constexpr long long kDiasDe1899Ate1970 = 25569;  // 1899-12-30 .. 1970-01-01

}  // namespace

DataHora Agora() {
  {
    std::lock_guard lock(g_mutex);
    if (g_fixo) return *g_fixo;
  }
  const auto agora = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(agora);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(agora.time_since_epoch()).count() % 1000;
  return DataHora{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec, static_cast<int>(ms)};
}

void FixarRelogio(std::optional<DataHora> fixo) {
  std::lock_guard lock(g_mutex);
  g_fixo = fixo;
}

double ParaDataHoraNumero(const DataHora& d) {
  const double dias = static_cast<double>(DiasDesdeEpoca(d.ano, d.mes, d.dia) + kDiasDe1899Ate1970);
  const double fracao = (d.hora * 3600000.0 + d.minuto * 60000.0 + d.segundo * 1000.0 + d.milissegundo) / 86400000.0;
  // Before 1899-12-30 the fraction counts away from zero, as the date-time type does.
  return dias >= 0 ? dias + fracao : dias - fracao;
}

DataHora DeDataHoraNumero(double valor) {
  const double inteiro = std::trunc(valor);
  double fracao = std::fabs(valor - inteiro);
  long long msDoDia = std::llround(fracao * 86400000.0);
  long long dias = static_cast<long long>(inteiro);
  if (msDoDia >= 86400000) {  // rounding reached the next midnight
    msDoDia -= 86400000;
    dias += valor >= 0 ? 1 : -1;
  }
  DataHora d;
  DataDeDias(dias - kDiasDe1899Ate1970, d.ano, d.mes, d.dia);
  d.hora = static_cast<int>(msDoDia / 3600000);
  d.minuto = static_cast<int>(msDoDia / 60000 % 60);
  d.segundo = static_cast<int>(msDoDia / 1000 % 60);
  d.milissegundo = static_cast<int>(msDoDia % 1000);
  return d;
}

}  // namespace kiv::plataforma
