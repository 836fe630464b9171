#include "platform/Regional.h"

#include <langinfo.h>
#include <locale.h>

#include <mutex>

namespace kiv::plataforma {
namespace {

std::mutex g_mutex;
std::optional<ConfiguracaoRegional> g_fixo;

// Turns a strftime date pattern ("%d/%m/%Y") into the day/month/year picture the package uses.
std::string FormatoDeStrftime(const std::string& padrao, std::string& separador) {
  std::string formato;
  separador.clear();
  for (size_t i = 0; i < padrao.size(); ++i) {
    if (padrao[i] == '%' && i + 1 < padrao.size()) {
      const char c = padrao[++i];
      if (c == 'd' || c == 'e') formato += "dd";
      else if (c == 'm') formato += "MM";
      else if (c == 'Y') formato += "yyyy";
      else if (c == 'y') formato += "yy";
      else if (c == 'D') { formato += "MM/dd/yy"; if (separador.empty()) separador = "/"; }
      else if (c == 'F') { formato += "yyyy-MM-dd"; if (separador.empty()) separador = "-"; }
      continue;
    }
    if (separador.empty()) separador = std::string(1, padrao[i]);
    formato += padrao[i];
  }
  if (separador.empty()) separador = "/";
  return formato;
}

std::string SeparadorDeHora(const std::string& padrao) {
  for (size_t i = 0; i < padrao.size(); ++i) {
    if (padrao[i] == '%') { ++i; continue; }
    return std::string(1, padrao[i]);
  }
  return ":";
}

std::string DoisDigitos(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

}  // namespace

ConfiguracaoRegional Regional() {
  {
    std::lock_guard lock(g_mutex);
    if (g_fixo) return *g_fixo;
  }
  ConfiguracaoRegional r;
  // The thread's locale, or the process's global one (duplicated, as nl_langinfo_l needs a real
  // locale object).
  locale_t atual = uselocale(static_cast<locale_t>(0));
  locale_t copia = duplocale(atual);
  if (copia == static_cast<locale_t>(0)) return r;
  atual = copia;
  const char* decimal = nl_langinfo_l(RADIXCHAR, atual);
  if (decimal && *decimal) r.separadorDecimal = decimal;
  const char* data = nl_langinfo_l(D_FMT, atual);
  if (data && *data) r.formatoDataCurta = FormatoDeStrftime(data, r.separadorData);
  const char* hora = nl_langinfo_l(T_FMT, atual);
  if (hora && *hora) r.separadorHora = SeparadorDeHora(hora);
  freelocale(copia);
  return r;
}

void FixarRegional(std::optional<ConfiguracaoRegional> fixo) {
  std::lock_guard lock(g_mutex);
  g_fixo = std::move(fixo);
}

std::string FormatarDataCurta(const DataHora& d, const ConfiguracaoRegional& r) {
  const std::string& f = r.formatoDataCurta;
  std::string saida;
  for (size_t i = 0; i < f.size();) {
    auto conta = [&](char a, char b) {
      size_t n = 0;
      while (i + n < f.size() && (f[i + n] == a || f[i + n] == b)) ++n;
      return n;
    };
    const char c = f[i];
    if (c == 'd' || c == 'D') {
      const size_t n = conta('d', 'D');
      saida += n >= 2 ? DoisDigitos(d.dia) : std::to_string(d.dia);
      i += n;
    } else if (c == 'm' || c == 'M') {
      const size_t n = conta('m', 'M');
      saida += n >= 2 ? DoisDigitos(d.mes) : std::to_string(d.mes);
      i += n;
    } else if (c == 'y' || c == 'Y') {
      const size_t n = conta('y', 'Y');
      if (n <= 2) saida += DoisDigitos(d.ano % 100);
      else {
        std::string a = std::to_string(d.ano);
        while (a.size() < 4) a = "0" + a;
        saida += a;
      }
      i += n;
    } else if (c == '/') {
      saida += r.separadorData;
      ++i;
    } else {
      saida += c;
      ++i;
    }
  }
  return saida;
}

}  // namespace kiv::plataforma
