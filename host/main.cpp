// renps: plays the Windows PostScript driver and the spooler around the
// rendering plug-in, so the plug-in's printer stream can be produced, looked
// at and tested on any machine.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "Run.h"
#include "System.h"

namespace {

using renps::InputError;
using renps::PluginFailure;

// Runs `body`, mapping failures onto the exit statuses of the command line.
template <typename Body>
int Guarded(Body body) {
  try {
    return body();
  } catch (const InputError& e) {
    std::fprintf(stderr, "renps: %s\n", e.what());
    return 2;
  } catch (const PluginFailure& e) {
    std::fprintf(stderr, "renps: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "renps: %s\n", e.what());
    return 1;
  }
}

void AddRunOptions(CLI::App* command, renps::RunRequest& request) {
  command->add_option("job", request.jobPath, "job file (JSON)")->required();
  command->add_option("documents", request.documents,
                      "DSC PostScript documents, each printed as one job through the same plug-in object "
                      "(absent or '-': standard input)");
  command->add_option("--plugin", request.pluginPath, "plug-in module (default: renpsoem.so beside renps)");
  command->add_option("--state-dir", request.stateDirectory,
                      "where printer data and per-user values live (default: RENPS_STATE_DIR, else a per-user "
                      "state directory)");
  command->add_flag("--debug-log", request.echoDebugLog, "show the plug-in's debug output on standard error");
  command->add_flag("--keep-document-features", request.keepDocumentFeatures,
                    "pass on the document's own device features (%%BeginFeature: *PageSize ...) instead of "
                    "dropping those the driver sets from the job");
}

// Renders the PostScript part of a printer stream to PNG sheets with Ghostscript.
int Preview(const std::string& stream, const std::string& prefix, int resolution) {
  std::string psPath;
  const int fd = renps::sys::CreateTemporary(renps::sys::TemporaryDirectory(), "renps-preview-", psPath);
  if (fd < 0) throw PluginFailure("cannot make a temporary file for the preview");
  std::FILE* in = std::fopen(stream.c_str(), "rb");
  std::FILE* out = fdopen(fd, "wb");
  const bool ok = in != nullptr && out != nullptr && renps::StripPjl(in, out);
  if (in != nullptr) std::fclose(in);
  if (out != nullptr) std::fclose(out);
  if (!ok) {
    std::remove(psPath.c_str());
    throw PluginFailure("cannot prepare the PostScript for the preview");
  }
  const std::string outputArg = "-sOutputFile=" + prefix + "-%03d.png";
  const std::string resolutionArg = "-r" + std::to_string(resolution);
  const int status = renps::sys::RunProgram(
      {"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=png16m", resolutionArg, outputArg, psPath});
  std::remove(psPath.c_str());
  if (status != 0)
    throw PluginFailure("Ghostscript could not render the printer stream (exit status " + std::to_string(status) + ")");
  for (int page = 1;; ++page) {
    char name[32];
    std::snprintf(name, sizeof name, "-%03d.png", page);
    if (!std::filesystem::exists(prefix + name)) break;
    std::printf("%s%s\n", prefix.c_str(), name);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  renps::sys::UseBinaryStandardStreams();
  CLI::App app{
      "renps plays the Windows PostScript driver and the spooler around the rendering plug-in: it loads the "
      "plug-in, sets up the printer and the devmode from a job file, walks a DSC PostScript document through every "
      "injection point and writes what reaches the printer."};
  app.require_subcommand(1);
  // Options are "-o" and "--name" everywhere: a path such as /tmp/job.json is
  // an argument, not a Windows-style option (subcommands inherit this).
  app.allow_windows_style_options(false);
  app.set_help_all_flag("--help-all", "help for every command");

  renps::RunRequest request;
  std::string output;
  auto* print = app.add_subcommand("print", "print documents and write the printer stream");
  AddRunOptions(print, request);
  print->add_option("-o,--output", output,
                    "where the printer stream goes (absent or '-': standard output); a FIFO or a device is written "
                    "into, a file replaced only when the job went through");

  bool all = false;
  auto* trace = app.add_subcommand("trace", "list, per injection point, hook and escape, what the plug-in wrote");
  AddRunOptions(trace, request);
  trace->add_flag("--all", all, "list the calls that wrote nothing too");

  std::string prefix = "preview";
  int resolution = 50;
  auto* preview = app.add_subcommand("preview", "render the printer stream with Ghostscript to PNG sheets");
  AddRunOptions(preview, request);
  preview->add_option("-o,--output", prefix, "prefix of the PNG files (PREFIX-001.png ...)");
  preview->add_option("-r,--resolution", resolution, "dots per inch")->check(CLI::Range(10, 600));

  auto* devmode = app.add_subcommand("devmode", "show the devmode the driver builds for the job");
  devmode->add_option("job", request.jobPath, "job file (JSON)")->required();
  devmode->add_option("--plugin", request.pluginPath, "plug-in module (default: renpsoem.so beside renps)");
  devmode->add_option("--state-dir", request.stateDirectory, "where printer data and per-user values live");
  devmode->add_flag("--debug-log", request.echoDebugLog, "show the plug-in's debug output on standard error");
  std::string rawPath;
  devmode->add_option("--raw", rawPath, "also write the devmode's bytes to this file");

  std::string streamPath;
  auto* strip = app.add_subcommand("strip-pjl", "write the PostScript part of a printer stream (without PJL)");
  strip->add_option("stream", streamPath, "printer stream (absent or '-': standard input)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Usage errors are unusable input.
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  if (print->parsed()) {
    return Guarded([&] {
      renps::OutputFile out(output);
      try {
        renps::RunPrint(request, out);
      } catch (const PluginFailure&) {
        // The spooler path failed because the output did: say why.
        out.ThrowIfFailed();
        throw;
      }
      out.Commit();
      return 0;
    });
  }
  if (trace->parsed()) {
    return Guarded([&] {
      request.trace = true;
      renps::OutputFile out("");  // the printer stream is not kept
      const auto records = renps::RunPrint(request, out);
      renps::WriteTrace(std::cout, records, all);
      return 0;
    });
  }
  if (preview->parsed()) {
    return Guarded([&] {
      renps::OutputFile out("");
      renps::RunPrint(request, out);
      return Preview(out.TemporaryPath(), prefix, resolution);
    });
  }
  if (devmode->parsed()) {
    return Guarded([&] {
      const auto bytes = renps::RunDevmode(request);
      renps::WriteDevmodeDump(std::cout, bytes);
      if (!rawPath.empty()) {
        std::ofstream raw(rawPath, std::ios::binary);
        raw.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!raw) throw PluginFailure(rawPath + ": cannot write the devmode");
      }
      return 0;
    });
  }
  return Guarded([&] {
    std::FILE* in = streamPath.empty() || streamPath == "-" ? stdin : std::fopen(streamPath.c_str(), "rb");
    if (in == nullptr) throw InputError(streamPath + ": cannot open the printer stream");
    const bool ok = renps::StripPjl(in, stdout) && std::fflush(stdout) == 0;
    const int error = errno;
    if (in != stdin) std::fclose(in);
    if (!ok) throw PluginFailure(std::string("cannot copy the printer stream: ") + std::strerror(error));
    return 0;
  });
}
