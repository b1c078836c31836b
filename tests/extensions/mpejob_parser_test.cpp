#include "extensions/mpejob/mpejob_parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vandrel::vdx {
namespace {

class RecordingSink final : public SymbolSink {
 public:
  void Report(const Symbol& symbol) override {
    std::string text = std::to_string(symbol.category) + "/" + std::to_string(symbol.level) + " " +
                       std::to_string(symbol.line) + " " + symbol.name;
    if (!symbol.alternativeName.empty()) text += " alt=" + symbol.alternativeName;
    if (!symbol.displayText.empty()) text += " [" + symbol.displayText + "]";
    for (std::size_t i = 0; i < symbol.parameters.size(); ++i) {
      text += (i == 0 ? " (" : ", ") + symbol.parameters[i];
    }
    if (!symbol.parameters.empty()) text += ")";
    symbols.push_back(text);
  }
  void Diagnostic(int line, std::string_view text) override {
    diagnostics.push_back(std::to_string(line) + " " + std::string(text));
  }

  std::vector<std::string> symbols;
  std::vector<std::string> diagnostics;
};

RecordingSink Parse(std::string_view text) {
  RecordingSink sink;
  ParseMpeJob(text, sink);
  return sink;
}

const std::vector<std::string> kJobs = {
    "!JOB NIGHTLY,MGR/SECRET.PROD/ACCTPW,SOURCE;&",
    "!  OUTCLASS=LP,1;HIPRI",
    "!COMMENT compile and link",
    "!FILE COPYLIB=J3KLIB/LOCK.PUB.PROD;SHR",
    "!FILE LP;DEV=LP",
    "!COB85XL ORDERS/KEY.SOURCE,ORDERSO,$NULL",
    "!LINK FROM=ORDERSO;TO=ORDERS.PUB",
    "!EDITOR",
    "RUN FAKE",
    "T ORDERS",
    "EXIT",
    "!RUN ORDERS.PUB;INFO=\"A;B\";PARM=3",
    "!EOJ",
    ":job mgr.test",
    ":purge oldfile",
    ":eoj",
    "!EOJ",
};

const std::vector<std::string> kJobSymbols = {
    "6/0 1 NIGHTLY alt=MGR.PROD,SOURCE [NIGHTLY (MGR.PROD,SOURCE)] (OUTCLASS=LP,1, HIPRI)",
    "3/0 4 COPYLIB alt=J3KLIB.PUB.PROD [COPYLIB=J3KLIB.PUB.PROD] (SHR)",
    "3/0 5 LP (DEV=LP)",
    "6/1 6 ORDERS.SOURCE [COB85XL ORDERS.SOURCE] (ORDERSO, $NULL)",
    "6/1 7 ORDERSO [LINK FROM=ORDERSO] (TO=ORDERS.PUB)",
    "6/1 8 EDITOR",
    "6/1 12 ORDERS.PUB [RUN ORDERS.PUB] (INFO=\"A;B\", PARM=3)",
    "6/0 14 mgr.test alt=mgr.test",
    "6/1 15 oldfile [purge oldfile]",
};

TEST(MpeJobParserTest, JobStreamsPlainAndWithQeditNumbers) {
  std::string plain;
  std::string numbered;
  int number = 1000;
  for (const std::string& line : kJobs) {
    plain += line + "\n";
    char tag[16];
    std::snprintf(tag, sizeof tag, "%08d", number);
    number += 1000;
    std::string record = line;
    record.resize(72, ' ');
    numbered += record + tag + "\r\n";
  }
  for (const std::string& text : {plain, numbered}) {
    const RecordingSink sink = Parse(text);
    EXPECT_EQ(sink.symbols, kJobSymbols);
    EXPECT_EQ(sink.diagnostics, (std::vector<std::string>{"17 EOJ without a job"}));
  }
}

TEST(MpeJobParserTest, CommandFile) {
  const std::string text =
      "PARM source, listing=$STDLIST, entry=\"main\"\n"
      "# build one program\n"
      "setvar count 0\n"
      "if finfo(\"!source\",\"exists\") then\n"
      "   xeq compile.cmd !source &\n"
      "       !listing\n"
      "   setvar count count+1\n"
      "else\n"
      "   echo no !source\n"
      "endif\n"
      "while count < 3\n"
      "   :run prog.pub;parm=!count\n"
      "   setvar count count+1\n"
      "endwhile\n"
      "endif\n"
      "while true";
  const RecordingSink sink = Parse(text);
  EXPECT_EQ(sink.symbols, (std::vector<std::string>{
                              "1/0 1 PARM (source, listing=$STDLIST, entry=\"main\")",
                              "3/0 3 count",
                              "6/0 5 compile.cmd [xeq compile.cmd] (!source, !listing)",
                              "6/0 12 prog.pub [run prog.pub] (parm=!count)",
                          }));
  EXPECT_EQ(sink.diagnostics,
            (std::vector<std::string>{"15 endif without its IF or WHILE",
                                      "16 IF or WHILE without its ENDIF or ENDWHILE"}));
}

TEST(MpeJobParserTest, GarbageGivesNoSymbols) {
  EXPECT_TRUE(Parse("").symbols.empty());
  std::string binary("\x00\x19KA!JOB X,Y.Z\n", 16);
  const RecordingSink forms = Parse(binary);
  EXPECT_TRUE(forms.symbols.empty());
  EXPECT_EQ(forms.diagnostics.size(), 1u);

  std::string junk(100000, '&');
  junk += "\n!RUN \"unclosed;\n\xff\xfe\n!JOB ,,,;;;\n";
  const RecordingSink sink = Parse(junk);
  EXPECT_EQ(sink.symbols,
            (std::vector<std::string>{"6/0 2 \"unclosed; [RUN \"unclosed;]", "6/0 4 JOB"}));
  EXPECT_EQ(sink.diagnostics, (std::vector<std::string>{"4 JOB without a user and account"}));
}

}  // namespace
}  // namespace vandrel::vdx
