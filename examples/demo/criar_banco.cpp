// Makes the demo's dealer database: a Firebird file, opened embedded, whose table NFE holds the
// public NF-e sample documents as a dealer-management system keeps them.
//
//   kiv_demo_banco DATABASE.fdb FIXTURES_FOLDER
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "support/Ambiente.h"
#include "support/BancoFirebird.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kiv_demo_banco DATABASE.fdb FIXTURES_FOLDER\n");
    return 2;
  }
  try {
    const std::string pasta = argv[2];
    auto ler = [&](const char* nome) { return kiv::teste::LerArquivo(pasta + "/" + nome); };
    kiv::teste::BancoFirebird banco(argv[1], "UTF8");
    banco.Executar(
        "CREATE TABLE NFE (ID INTEGER NOT NULL PRIMARY KEY, NUMERO VARCHAR(20), "
        "XML BLOB SUB_TYPE TEXT CHARACTER SET UTF8)");
    // Three authorised invoices, and one whose row also holds its cancellation event: that one
    // goes twice, as the invoice and as the event.
    const std::vector<kiv::teste::BancoFirebird::Valores> linhas = {
        {"1", "488", ler("nfeProc-2.00-compact.xml")},
        {"2", "30", ler("nfeProc-3.10-indented.xml")},
        {"3", "26", ler("nfeProc-4.00-indented-inherited-ns.xml")},
        {"4", "46320", ler("nfeProc-4.00-indented.xml") + "\n" + ler("procEventoNFe-110111-cancel.xml")},
    };
    banco.Inserir("NFE", {"ID", "NUMERO", "XML"}, linhas);
    banco.Desligar();
    std::printf("%s: %zu documents\n", argv[1], linhas.size());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kiv_demo_banco: %s\n", e.what());
    return 1;
  }
}
