#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "history/run_record.h"

namespace hodra {

// history.tsv: every run, one line each, appended whole (O_APPEND, one write). It keeps
// the last `keep` runs: past a tenth more it is rewritten to the last `keep` by an atomic
// rename, so a kill leaves the old file or the new one, whole. Damaged lines are skipped
// when read and dropped by the next rewrite.
class RunHistory {
public:
    static constexpr std::size_t kKeep = 10000;

    explicit RunHistory(std::string path, std::size_t keep = kKeep);
    // $XDG_STATE_HOME/hodra2/history.tsv, by default ~/.local/state/hodra2/history.tsv.
    static std::string DefaultPath();

    // Creates the directory (0700) and the file (0600) when missing. A failure costs one
    // line on stderr; the run it records is not lost from the window, only from the file.
    bool Append(const RunRecord& record);
    // Oldest first, at most `keep`.
    std::vector<RunRecord> Read() const;
    std::optional<RunRecord> Last() const;
    // Rewrites the file to its last `keep` whole records.
    bool Trim();

    const std::string& Path() const { return path; }

private:
    std::vector<std::string> WholeLines() const;

    std::string path;
    std::size_t keep;
    std::optional<std::size_t> lines;  // counted at the first append
};

}  // namespace hodra
