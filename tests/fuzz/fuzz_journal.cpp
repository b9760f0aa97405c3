// Fuzz target: any bytes as a crash journal. Reading never fails; every
// record it gives back is valid; what it read, written again, reads back the
// same; and any cut of it reads as a beginning of the same records.
#include "fuzzcheck.h"
#include "journal.h"

#include <cstdint>
#include <cstdlib>

using namespace vandoral;

namespace {

bool Same(const std::vector<JournalRecord> &a, const std::vector<JournalRecord> &b, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (a[i].kind != b[i].kind || a[i].fields != b[i].fields)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const JournalContents j = ParseJournal(bytes);
    if (j.state != JournalContents::State::Read) {
        Check(j.records.empty());
        return 0;
    }
    for (const JournalRecord &r : j.records)
        Check(ValidJournalRecord(r));
    std::string again = FormatJournalHeader(j.header);
    for (const JournalRecord &r : j.records)
        again += FormatJournalRecord(r);
    const JournalContents k = ParseJournal(again);
    Check(k.state == JournalContents::State::Read && !k.damaged);
    Check(k.records.size() == j.records.size() && Same(k.records, j.records, j.records.size()));
    // A cut anywhere gives back a beginning of the records.
    const JournalContents cut = ParseJournal(bytes.substr(0, size / 2));
    if (cut.state == JournalContents::State::Read) {
        Check(cut.records.size() <= j.records.size());
        Check(Same(cut.records, j.records, cut.records.size()));
    }
    return 0;
}
