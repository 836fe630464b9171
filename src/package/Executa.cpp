#include "package/Executa.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Regional.h"
#include "platform/Relogio.h"
#include "run/udmKIVVW.h"

namespace kiv::package {
namespace {

// The process-wide module reference: filled by a run, empty again when the run returns.
std::unique_ptr<run::TdmKIVVW> dmKIVVW;
std::mutex guardaExecuta;

std::string MensagemDe(std::exception_ptr falha) {
  try {
    std::rethrow_exception(falha);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "falha desconhecida";
  }
}

// Frees the module the reference holds, emptying the reference first.
void LiberarModulo() {
  auto modulo = std::move(dmKIVVW);
  if (modulo) modulo->Liberar();
}

}  // namespace

std::string CarimboDeHora() {
  const auto agora = plataforma::Agora();
  const auto regional = plataforma::Regional();
  char data[32], hora[8], minuto[8];
  std::snprintf(data, sizeof data, "%02d-%02d-%04d ", agora.dia, agora.mes, agora.ano);
  std::snprintf(hora, sizeof hora, "%02d", agora.hora);
  std::snprintf(minuto, sizeof minuto, "%02d", agora.minuto);
  return std::string(data) + hora + regional.separadorHora + minuto;
}

std::vector<std::string> LinhasDoPacote(const std::string& caminho) noexcept {
  try {
    std::lock_guard lock(guardaExecuta);
    std::vector<std::string> log;
    log.emplace_back();
    log.emplace_back(51, '-');
    log.push_back("Iniciando transferência de arquivos: " + CarimboDeHora());
    try {
      if (!dmKIVVW) dmKIVVW = std::make_unique<run::TdmKIVVW>();
      dmKIVVW->ExecutaIntegracao(caminho);
      auto mensagens = dmKIVVW->TomarMensagens();
      log.reserve(log.size() + mensagens.size() + 2);
      std::move(mensagens.begin(), mensagens.end(), std::back_inserter(log));
      LiberarModulo();
    } catch (...) {
      log.push_back("Erro ao executar pacote: " + MensagemDe(std::current_exception()));
      // A failed run still writes the deliveries it recorded; a failure doing so is reported too.
      try {
        LiberarModulo();
      } catch (...) {
        log.push_back("Erro ao executar pacote: " + MensagemDe(std::current_exception()));
      }
    }
    log.push_back("Finalizando transferência de arquivos: " + CarimboDeHora());
    return log;
  } catch (...) {
    return {"", "Erro ao executar pacote: " + MensagemDe(std::current_exception())};
  }
}

char* JuntarLog(std::vector<std::string>&& linhas) noexcept {
  // The run's selection is freed by now, but its pages still count as resident: hand them back,
  // so the log's buffer does not come on top of them.
  malloc_trim(0);
  size_t tamanho = 1;
  for (const auto& linha : linhas) tamanho += linha.size() + 2;
  char* texto = static_cast<char*>(std::malloc(tamanho));
  if (!texto) return nullptr;
  char* fim = texto;
  for (auto& linha : linhas) {
    std::memcpy(fim, linha.data(), linha.size());
    fim += linha.size();
    *fim++ = '\r';
    *fim++ = '\n';
    std::string().swap(linha);
  }
  *fim = '\0';
  return texto;
}

std::string ExecutaPacote(const std::string& caminho) noexcept {
  try {
    const std::unique_ptr<char, decltype(&std::free)> texto(JuntarLog(LinhasDoPacote(caminho)), &std::free);
    if (!texto) throw std::bad_alloc();
    return texto.get();
  } catch (...) {
    return "\r\nErro ao executar pacote: " + MensagemDe(std::current_exception()) + "\r\n";
  }
}

}  // namespace kiv::package
