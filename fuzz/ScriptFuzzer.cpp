// The script grammar of `qmtctl translate` and `qmtmidi --simulate`. Every input goes through
// the shared line grammar and the session flavour; a script that is a valid dry run for a
// model is played through that model's decoder, the engine and the lights with the factory
// mapping, whatever its times and bytes.

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "fuzz/FactoryMappingCopy.h"
#include "fuzz/FuzzInput.h"
#include "script/ScriptGrammar.h"
#include "script/SessionScript.h"
#include "script/TranslateScript.h"

namespace {

using namespace qmt;

// Long scripts only repeat what short ones reach, at a cost per line.
constexpr size_t kMaxLinesPlayed = 400;

// Counts what the dry run prints instead of keeping it.
class CountingBuffer : public std::streambuf {
  public:
    size_t lines = 0;

  protected:
    int overflow(int c) override {
        if (c == '\n') ++lines;
        return c;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptLine> lines;
    std::string error;
    {
        std::istringstream in(text);
        ParseSessionScript(in, lines, error);
    }
    // Report lines fit one model's length only, so at most one model plays a script with
    // reports; one without reports plays on the first model that takes it.
    bool played = false;
    for (uint8_t model :
         {kModelKv10, kModelKv5, kModelArdo, kModelArdoRawProto2009, kModelArdoRaw}) {
        std::istringstream in(text);
        error.clear();
        if (!ParseTranslateScript(in, model, lines, error)) {
            QMT_FUZZ_CHECK(error.rfind("line ", 0) == 0);
            continue;
        }
        if (played || lines.size() > kMaxLinesPlayed) continue;
        played = true;
        for (const ScriptLine& line : lines)
            QMT_FUZZ_CHECK(line.kind != ScriptLine::Kind::Report ||
                           line.bytes.size() == ReportLengthOf(model));
        MappingPtr mapping = fuzz::CopyMapping(fuzz::LoadedFactoryMapping());
        CountingBuffer counter;
        std::ostream out(&counter);
        RunTranslateScript(lines, model, "FUZZ", mapping.get(), out);
    }
    return 0;
}
