// SPDX-License-Identifier: MIT
#include "engine/catalogue.h"

namespace rq {

// clang-format off
const std::array<CatalogueEntry, kFieldCount + 1> FieldCatalogue = {{
    // jfileName            endNoteName              selected  type  width
    {"DUMMY",               "DUMMY",                 false,    0,    0},
    {"Reference Type",      "Reference Type",        true,     64,   15},
    {"Author",              "Author",                true,     1,    80},
    {"Year",                "Year",                  true,     64,   30},
    {"Title",               "Title",                 true,     1,    80},
    {"Title 2",             "Secondary Title",       true,     1,    80},
    {"Editor",              "Secondary Author",      true,     1,    80},
    {"Place Published",     "Place Published",       true,     64,   80},
    {"Publisher",           "Publisher",             true,     64,   80},
    {"Volume",              "Volume",                true,     1,    20},
    {"Number",              "Number",                true,     1,    20},
    {"Pages",               "Pages",                 true,     1,    80},
    {"Call Number",         "Call Number",           true,     1,    80},
    {"Keywords",            "Keywords",              true,     1,    80},
    {"Abstract",            "Abstract",              true,     1,    80},
    {"Notes",               "Notes",                 true,     1,    80},
    {"# of Vols",           "Number of Volumes",     false,    1,    80},
    {"Author 3",            "Tertiary Author",       false,    1,    80},
    {"Title 3",             "Tertiary Title",        false,    1,    80},
    {"Edition",             "Edition",               false,    1,    80},
    {"Date",                "Date",                  false,    1,    80},
    {"Type",                "Type of Work",          false,    1,    80},
    {"Translator",          "Subsidiary Author",     false,    1,    80},
    {"Alt Title",           "Alternate Title",       false,    1,    80},
    {"ISBN",                "ISBN/ISSN",             false,    1,    80},
    {"Accession Number",    "Accession Number",      false,    1,    80},
    {"Label",               "Label",                 false,    1,    80},
    {"URL",                 "URL",                   false,    1,    80},
    {"Custom 1",            "Custom 1",              false,    1,    80},
    {"Custom 2",            "Custom 2",              false,    1,    80},
    {"Custom 3",            "Custom 3",              false,    1,    80},
    {"Custom 4",            "Custom 4",              false,    1,    80},
}};
// clang-format on

}  // namespace rq
