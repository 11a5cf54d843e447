// SPDX-License-Identifier: MIT
#pragma once
// The user's settings of a run, beside the services and folders of its context: the strategy,
// kept in "Strat.jfp", and the format JFile databases are written as, kept in a settings file of
// its own. The session reads them at the start and keeps them at the end; the jobs work with
// them.

#include <string>

#include "engine/strategy.h"

namespace rq {

// The reference formats (reference_record.h); EndNote's is the first.
enum class ReferenceFormat;

struct UserSettings {
    Strategy strategy;
    // The format the JFile-to-EndNote job writes: EndNote's import file unless the user chose
    // RIS, BibTeX or CSL-JSON.
    ReferenceFormat databaseFormat{};

    // Set at the start for the end of the run. The strategy file's text as this run took it up:
    // the end writes the strategy only when it differs, so that a change saved meanwhile
    // elsewhere is not undone.
    std::string strategyAtStart;
    // The strategy file could neither be read nor kept as a backup: the end does not write
    // over it.
    bool keepStrategyFile = false;
};

}  // namespace rq
