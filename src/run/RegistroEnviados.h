#pragma once
// cdsEnviados: the day's register of deliveries the web service accepted, looked up by the pair
// (access key, document kind) and kept in one XML data-packet file per day in the Work folder.
#include <memory>
#include <string>

#include "platform/Relogio.h"

namespace kiv::run {

// The Work folder of a configuration file: its folder part followed by "Work".
std::string PastaWork(const std::string& caminhoConfiguracao);

// The register file of a day inside the Work folder: NfeEnvVW_YYYYMMDD.xml.
std::string ArquivoRegistro(const std::string& pastaWork, const plataforma::DataHora& dia);

class TRegistroEnviados {
 public:
  TRegistroEnviados();
  ~TRegistroEnviados();  // never throws; Fechar() is the call that reports a failed save
  TRegistroEnviados(const TRegistroEnviados&) = delete;
  TRegistroEnviados& operator=(const TRegistroEnviados&) = delete;

  // Set-up for a run: makes sure the Work folder exists and can be written, names the file,
  // starts empty and loads the file when it exists. Throws std::runtime_error.
  void Preparar(const std::string& pastaWork, const std::string& arquivo);

  // Whether the register holds the pair, exact and case-sensitive.
  bool Localizar(const std::string& chave, const std::string& tipo) const;

  // Records an accepted delivery (updates the pair's entry or adds one).
  void Registrar(const std::string& chave, const std::string& tipo, const std::string& status,
                 const std::string& descricao);

  // Writes the file when the content changed or the file does not exist yet, then closes.
  // Throws std::runtime_error when the file cannot be written. Does nothing when not open.
  void Fechar();

  bool Aberto() const;
  size_t Quantidade() const;

 private:
  struct Estado;
  std::unique_ptr<Estado> estado_;
};

}  // namespace kiv::run
