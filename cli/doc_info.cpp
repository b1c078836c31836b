// `vandrel-cli doc info`: a file's format record as the editor loads it.
#include <fmt/format.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/doc_document.h"
#include "cli/json_text.h"

namespace vandrel::cli {

namespace {

std::string FlagsText(std::uint32_t flags) {
  std::vector<std::string> names;
  if (flags & kFormatRecordForm) names.push_back("record form");
  if (flags & kFormatQedit) names.push_back("Qedit");
  if (flags & kFormatLocal) names.push_back("local file");
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out.empty() ? "plain text" : out;
}

std::string LineEndsText(std::uint32_t lineEnds) {
  if ((lineEnds & kLineEndCr) && (lineEnds & kLineEndLf)) return "CR LF";
  if (lineEnds & kLineEndLf) return "LF";
  if (lineEnds & kLineEndCr) return "CR";
  return "not known";
}

void Info(CliContext& context, const std::string& file, bool record, bool qedit, bool json) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, qedit), opened)) return;
  const DocumentFormat& f = opened.format;
  const MpeHeader& m = f.mpe;
  const QeditHeader& q = f.qedit;
  const DocumentNumbering& n = f.numbering;
  if (json) {
    std::string out =
        fmt::format("{{\"flags\":{},\"lineEnds\":{},\"mpe\":", f.formatFlags, f.lineEnds);
    if (f.IsRecordForm()) {
      out += fmt::format(
          "{{\"MVER\":{},\"FCODE\":{},\"LW\":{},\"RECLEN\":{},\"BFACT\":{},\"TYPE\":{},"
          "\"MODE\":{},\"EOF\":{},\"LIMIT\":{},\"#L\":{},\"M#L\":{},\"CCTL\":{},\"ACD\":{}}}",
          m.mver, m.fcode, JsonString(m.lw), m.reclen, m.bfact, m.type, m.mode, m.eof, m.limit,
          m.labels, m.maxLabels, m.cctl, JsonString(m.acd));
    } else {
      out += "null";
    }
    out += ",\"qedit\":";
    if (f.IsQedit()) {
      out +=
          fmt::format("{{\"QVER\":{},\"LANG\":{},\"RECLEN\":{},\"EOF\":{},\"LNL\":{},\"LNJ\":{}}}",
                      q.qver, q.lang, q.reclen, q.eof, q.lnl, q.lnj);
    } else {
      out += "null";
    }
    out += fmt::format(
        ",\"labels\":{},\"numbering\":{{\"position\":{},\"digits\":{},\"start\":{},"
        "\"increment\":{}}}}}",
        m.labelBlock.size(), n.position, n.digits, n.start, n.increment);
    std::printf("%s\n", out.c_str());
    return;
  }
  std::printf("file: %s\n", file.c_str());
  std::printf("format flags: %u (%s)\n", f.formatFlags, FlagsText(f.formatFlags).c_str());
  std::printf("data start: %lld\n", static_cast<long long>(opened.loaded.dataOffset));
  if (!f.IsRecordForm()) std::printf("line ends: %s\n", LineEndsText(f.lineEnds).c_str());
  if (f.IsQedit()) {
    std::printf("Qedit header: QVER=%d LANG=%d RECLEN=%d EOF=%d LNL=%d LNJ=%d\n", q.qver, q.lang,
                q.reclen, q.eof, q.lnl, q.lnj);
  }
  if (f.IsRecordForm()) {
    std::printf(
        "MPE header: MVER=%d FCODE=%d LW=%s RECLEN=%d BFACT=%d TYPE=%d MODE=%d EOF=%d "
        "LIMIT=%d #L=%d M#L=%d CCTL=%d ACD=%s\n",
        m.mver, m.fcode, JsonString(m.lw).c_str(), m.reclen, m.bfact, m.type, m.mode, m.eof,
        m.limit, m.labels, m.maxLabels, m.cctl, JsonString(m.acd).c_str());
    std::printf("labels: %zu bytes\n", m.labelBlock.size());
  }
  if (n.position == 0) {
    std::printf("numbering: none\n");
  } else {
    std::printf("numbering: position %d (%s), digits %d, start %d, increment %d\n", n.position,
                n.position == 1 ? "at the start"
                                : fmt::format("columns {}-{}", n.position + 1,
                                              std::int64_t{n.position} + n.digits)
                                      .c_str(),
                n.digits, n.start, n.increment);
  }
}

}  // namespace

void AddInfoCommand(CLI::App& doc, CliContext& context) {
  struct InfoArgs {
    std::string file;
    bool record = false;
    bool qedit = false;
    bool json = false;
  };
  auto info = std::make_shared<InfoArgs>();
  auto* infoCommand = doc.add_subcommand(
      "info",
      "load a file as the editor does, with line-number detection, and print its format record: "
      "format flags, line ends, header values, label bytes and the detected numbering");
  infoCommand->add_option("FILE", info->file, "the file")->required();
  infoCommand->add_flag("--record", info->record,
                        "load as a download from an MPE/iX host (format flags 1: header "
                        "records, then length-prefixed records); otherwise as a local open "
                        "(flags 4)");
  infoCommand->add_flag("--qedit", info->qedit,
                        "load as a download of a Qedit file (file code 111, format flags 3)");
  infoCommand->add_flag(
      "--json", info->json,
      "print JSON: flags, lineEnds, mpe and qedit (the header values by key, or null), labels "
      "(label bytes) and numbering (position, digits, start, increment)");
  infoCommand->callback(
      [&context, info] { Info(context, info->file, info->record, info->qedit, info->json); });
}

}  // namespace vandrel::cli
