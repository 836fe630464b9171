#pragma once
// cdsEnviados: the day's register of deliveries the web service accepted, looked up by the pair
// (access key, document kind) and kept in one XML data-packet file per day in the Work folder.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Relogio.h"

namespace kiv::run {

// The Work folder of a configuration file: its folder part followed by "Work".
std::string PastaWork(const std::string& caminhoConfiguracao);

// The register file of a day inside the Work folder: NfeEnvVW_YYYYMMDD.xml.
std::string ArquivoRegistro(const std::string& pastaWork, const plataforma::DataHora& dia);

// A fixed-width column of the register. Its values are 8-bit text in the ANSI code page, so a
// stored value is what that column can hold: at most `largura` characters, a character outside
// the code page (or one an XML file cannot carry) replaced by "?".
struct TCampoEnviados {
  std::string_view nome;
  size_t largura;

  // `valor` (UTF-8) as the column stores it.
  std::string Ajustar(std::string_view valor) const;
};

inline constexpr TCampoEnviados stfEnviadosCHAVE_NFE{"CHAVE_NFE", 44};
inline constexpr TCampoEnviados stfEnviadosTIPO{"TIPO", 1};
inline constexpr TCampoEnviados stfEnviadosStatus{"STATUS", 3};
inline constexpr TCampoEnviados stfEnviadosDESCRICAO{"DESCRICAO", 100};

// The table's order: ascending on CHAVE_NFE alone, not unique, case-sensitive. Entries with the
// same key follow in TIPO order.
struct TIndiceEnviados {
  std::string_view nome;
  std::string_view campos;
  bool unico;
  bool ignoraCaso;
};
inline constexpr TIndiceEnviados IDX_CHAVE{"IDX_CHAVE", "CHAVE_NFE", false, false};

// One accepted delivery.
struct TEntradaEnviada {
  std::string chave, tipo, status, descricao;
  bool operator==(const TEntradaEnviada&) const = default;
};

class TRegistroEnviados {
 public:
  TRegistroEnviados();
  ~TRegistroEnviados();  // saves like Fechar() when still open, but never throws
  TRegistroEnviados(const TRegistroEnviados&) = delete;
  TRegistroEnviados& operator=(const TRegistroEnviados&) = delete;

  // Set-up for a run: makes sure the Work folder exists, can be written and its lock file
  // taken, names the file, starts empty and loads the file when it exists. Throws std::runtime_error naming the folder
  // or the file; the register then stays closed and the file untouched.
  void Preparar(const std::string& pastaWork, const std::string& arquivo);

  // Whether the register holds the pair, exact and case-sensitive.
  bool Localizar(const std::string& chave, const std::string& tipo) const;

  // The entry of the pair, as stored.
  std::optional<TEntradaEnviada> Entrada(const std::string& chave, const std::string& tipo) const;

  // Records an accepted delivery (updates the pair's entry or adds one). While open, the file is
  // rewritten at most once a second while there are new recordings, so a killed process loses
  // at most about a second's recordings; a failed write here is retried later and reported by
  // Fechar(). A register that was never opened only keeps the entry in memory.
  void Registrar(const std::string& chave, const std::string& tipo, const std::string& status,
                 const std::string& descricao);

  // Writes the file when the content changed or the file does not exist yet, then closes.
  // Throws std::runtime_error when the file cannot be written. Does nothing when not open.
  void Fechar();

  bool Aberto() const;
  size_t Quantidade() const;

 private:
  struct Estado;
  void Gravar();
  std::unique_ptr<Estado> estado_;
};

}  // namespace kiv::run
