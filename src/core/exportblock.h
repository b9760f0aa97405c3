// The data blocks handed to the analysis program and put on the clipboard,
// built from a session's data, the way its graph draws them, and the page
// information.
#pragma once

#include "graphker.h"
#include "modeshared.h"

#include <string>
#include <vector>

namespace vandoral {

// What the user typed in the page-information dialog.
struct PageInfo {
    std::string symbol;  // at most 8 bytes; empty: no page parameter
    std::string unit;    // at most 20 bytes
    std::string signif;  // shown, not exported
    std::string value;   // passed on exactly as typed
    std::string comment; // the comment line of every block and file
};

// Starts every graph-option keyword line.
constexpr char MarqueEntete = '&';
// The analysis program's character for lambda.
constexpr char LambdaMark = '\x88';


// How the analysis program is to draw the data: as the window's graph does.
struct BlockStyle {
    int markerSize = 1;
    bool grid = true;
    TColor color1 = clBlue, color2 = clBlue;
    int drawMode = 0;
};
BlockStyle StyleOf(const Tgraphe &graph);

struct BlockRequest {
    MeasureMode kind = MeasureMode::Spectre;
    const TDataSeries *data = nullptr;
    BlockStyle style;
    bool twoCurves = false;     // kinetics with a second wavelength
    bool versTabvista = false;  // towards the analysis program (else the clipboard)
    std::string programPath;    // line 1 towards the analysis program
    std::string dateTime;       // short date, a space, long time
};

// The lines of the block, page parameter and graph options included when
// going to the analysis program.
std::vector<std::string> BuildBlock(const BlockRequest &request, const PageInfo &page);
// CR LF after every line, the last one included.
std::string JoinBlock(const std::vector<std::string> &lines);

void AjouteConstante(std::vector<std::string> &lines, const PageInfo &page);
void AjouteOptions(std::vector<std::string> &lines, const BlockRequest &request);
// The LIGNE value of a graph's DrawMode.
std::string LigneValue(int drawMode);

} // namespace vandoral
