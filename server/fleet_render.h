// The fleet view written out: a text table for a person at a terminal, CSV and JSON for scripts,
// and the administrators' page, plain HTML with a small stylesheet. Every text a client sent is
// escaped for where it goes.
#pragma once

#include <string>

#include "server/fleet_view.h"

namespace rt {

// What the page (and the exports beside it) show: rows of one folder and one state ("" for all),
// sorted by a column ("desktop", "folder", "state", "seen", "version", "exit", "address"; the
// default puts failing, silent and behind first), descending when desc.
struct FleetSelection {
    std::string folder, state, sort;
    bool desc = false;
};
// Keeps the rows selection names, in its order.
void SelectRows(const FleetSelection& selection, FleetView* view);

std::string FleetText(const FleetView& view);
std::string FleetCsv(const FleetView& view);
std::string FleetJson(const FleetView& view);
std::string FleetHtml(const FleetView& view, const FleetSelection& selection);

}  // namespace rt
