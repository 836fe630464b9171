#pragma once
// One run of the package: the framed run log around the integration data module's messages.
#include <string>

namespace kiv::package {

// The descriptor of the parameter the host asks its user for.
inline constexpr const char* kDescritor = "TITULO|WebService VW|SOAP|I@Url|Url|String|null|350|Url: Endereço do Webservice";

// Runs the job of the configuration file and returns the log, every line ended by CR LF.
// Never throws. Calls are serialised: a second caller waits for the first to return.
std::string ExecutaPacote(const std::string& caminho) noexcept;

// The time stamp of the framing lines: dd-mm-yyyy hh:nn in local time.
std::string CarimboDeHora();

}  // namespace kiv::package
