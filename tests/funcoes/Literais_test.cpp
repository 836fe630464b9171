#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "db/KIVFuncoes.h"
#include "platform/Relogio.h"
#include "support/Ambiente.h"

namespace {

using kiv::db::DataSQLHoje;
using kiv::db::DataSQLPrimeiroDia;
using kiv::db::MesAnoDaData;
using kiv::db::PrimeiroDiaDoMes;
using kiv::plataforma::DataHora;
using kiv::plataforma::ParaDataHoraNumero;
using kiv::teste::AmbienteFixo;

TEST(LiteraisData, BothSetsForEveryEngineName) {
  const double valor = ParaDataHoraNumero({2012, 3, 14, 14, 30, 15, 0});
  const std::string oracle = "TO_DATE('14/03/2012','dd/mm/yyyy')";
  const std::string interbase = "CAST('2012-03-14' AS DATE)";
  struct Caso {
    std::string tipo, hoje, primeiroDia;
  };
  const Caso casos[] = {
      {"ORACLE", oracle, oracle},
      {"oracle", oracle, oracle},
      {"OR", oracle, oracle},
      {"Or", oracle, oracle},
      {"INTERBASE", interbase, interbase},
      {"IB", interbase, interbase},
      {"ib", interbase, interbase},
      {"DB2", "CAST('2012-03-14-00.00.00.000000' AS TIMESTAMP)", interbase},
      {"db2", "CAST('2012-03-14-00.00.00.000000' AS TIMESTAMP)", interbase},
      {"SQL SERVER", "CAST('14-03-2012' AS DATETIME)", "CAST('14-03-2012 14:30:15' AS DATETIME)"},
      {"Sql Server", "CAST('14-03-2012' AS DATETIME)", "CAST('14-03-2012 14:30:15' AS DATETIME)"},
      {"INFORMIX", "CAST('03-14-2012' AS DATE)", "to_date('2012.03.14', '%Y.%m.%d')"},
      {"informix", "CAST('03-14-2012' AS DATE)", "to_date('2012.03.14', '%Y.%m.%d')"},
      // everything else is the InterBase form
      {"FIREBIRD", interbase, interbase},
      {"SQLSERVER", interbase, interbase},
      {"SQL  SERVER", interbase, interbase},
      {" ORACLE", interbase, interbase},
      {"ORACLE ", interbase, interbase},
      {"", interbase, interbase},
      {"   ", interbase, interbase},
      {"ÓRACLE", interbase, interbase},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(DataSQLHoje(c.tipo, valor), c.hoje) << "[" << c.tipo << "]";
    EXPECT_EQ(DataSQLPrimeiroDia(c.tipo, valor), c.primeiroDia) << "[" << c.tipo << "]";
  }
}

TEST(LiteraisData, YearFormsDifferBelowTheYear1000) {
  const double valor = ParaDataHoraNumero({987, 1, 5, 0, 0, 0, 0});
  struct Caso {
    std::string tipo, hoje, primeiroDia;
  };
  const Caso casos[] = {
      {"ORACLE", "TO_DATE('05/01/0987','dd/mm/yyyy')", "TO_DATE('05/01/0987','dd/mm/yyyy')"},
      {"IB", "CAST('987-01-05' AS DATE)", "CAST('0987-01-05' AS DATE)"},
      {"DB2", "CAST('0987-01-05-00.00.00.000000' AS TIMESTAMP)", "CAST('0987-01-05' AS DATE)"},
      {"SQL SERVER", "CAST('05-01-987' AS DATETIME)", "CAST('05-01-0987 00:00:00' AS DATETIME)"},
      {"INFORMIX", "CAST('01-05-987' AS DATE)", "to_date('0987.01.05', '%Y.%m.%d')"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(DataSQLHoje(c.tipo, valor), c.hoje) << c.tipo;
    EXPECT_EQ(DataSQLPrimeiroDia(c.tipo, valor), c.primeiroDia) << c.tipo;
  }
}

TEST(LiteraisData, LateInTheDayIsStillThatDay) {
  const double valor = ParaDataHoraNumero({2012, 3, 14, 23, 59, 59, 0});
  for (const std::string tipo : {"ORACLE", "IB", "DB2", "SQL SERVER", "INFORMIX"})
    EXPECT_NE(DataSQLHoje(tipo, valor).find("14"), std::string::npos) << DataSQLHoje(tipo, valor);
  EXPECT_EQ(DataSQLHoje("ORACLE", ParaDataHoraNumero({2012, 1, 5, 0, 0, 0, 0})), "TO_DATE('05/01/2012','dd/mm/yyyy')");
}

TEST(LiteraisData, ValuesWithoutACalendarDateFail) {
  EXPECT_EQ(DataSQLHoje("IB", ParaDataHoraNumero({1, 1, 1, 0, 0, 0, 0})), "CAST('1-01-01' AS DATE)");
  EXPECT_EQ(DataSQLHoje("IB", ParaDataHoraNumero({9999, 12, 31, 12, 0, 0, 0})), "CAST('9999-12-31' AS DATE)");
  AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  for (const double valor : {1e10, -1e10, 2958466.0, -693594.5, std::nan(""), HUGE_VAL}) {
    EXPECT_THROW(DataSQLHoje("ORACLE", valor), std::runtime_error) << valor;
    EXPECT_THROW(DataSQLPrimeiroDia("ORACLE", valor), std::runtime_error) << valor;
  }
}

TEST(LiteraisData, MesAnoDaDataCompletesTheYear) {
  AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  struct Caso {
    std::string data, esperado;
  };
  const Caso casos[] = {
      {"15/03/2012", "03/2012"}, {"5/3/12", "03/2012"},   {"15/03/49", "03/2049"}, {"15/03/50", "03/1950"},
      {"15/03/7", "03/2017"},    {"15/03/012", "03/2012"}, {"", ""},               {"15/03/12345", "03/12345"},
  };
  for (const auto& c : casos) EXPECT_EQ(MesAnoDaData(c.data), c.esperado) << c.data;
  EXPECT_EQ(PrimeiroDiaDoMes("15/03/2012"), "01/03/2012");
  EXPECT_THROW(MesAnoDaData("15/03/1a"), std::runtime_error);

  auto regional = kiv::teste::RegionalBrasil();
  regional.separadorData = "-";
  AmbienteFixo hifen(kiv::teste::Marco2012(), regional);
  EXPECT_EQ(PrimeiroDiaDoMes("15-3-12"), "01-03-2012");
}

}  // namespace
