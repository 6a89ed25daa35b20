// One run of renps: the job file, the documents, the spooler, the plug-in and
// the driver put together, and the listings built from a run.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "PostScriptDriver.h"
#include "Spooler.h"

namespace renps {

struct RunRequest {
  std::string jobPath;
  std::vector<std::string> documents;  // empty: standard input
  std::string pluginPath;              // empty: renpsoem.so beside renps
  std::string stateDirectory;          // empty: RENPS_STATE_DIR or the per-user one
  bool trace = false;
  bool keepDocumentFeatures = false;  // pass on the document's own device features
  bool echoDebugLog = false;          // the plug-in's debug output to standard error
};

// Prints every document of the request as one job each through one plug-in
// object; the printer's bytes go to `output`. Throws InputError (exit 2) or
// PluginFailure (exit 1). Returns the trace when asked for.
std::vector<TraceRecord> RunPrint(const RunRequest& request, OutputFile& output);

// The devmode the driver builds for the job, as bytes.
std::vector<std::uint8_t> RunDevmode(const RunRequest& request);

// Human-readable listings.
void WriteTrace(std::ostream& out, const std::vector<TraceRecord>& trace, bool all);
void WriteDevmodeDump(std::ostream& out, const std::vector<std::uint8_t>& devmode);

// The PostScript part of a printer stream: without PJL lines, universal exit
// language sequences, and the Ctrl-D that may open or close the PostScript.
// Streams; returns false on a read or write error.
bool StripPjl(std::FILE* in, std::FILE* out);

// The plug-in module installed beside the running renps.
std::string DefaultPluginPath();

}  // namespace renps
