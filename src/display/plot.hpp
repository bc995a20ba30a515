// The strip-chart plot of the seven main readings: one pixel column every 200 ms, the marks of
// the run's events, the two level lines, and one saved bitmap per run.
#pragma once

namespace orbek {
class Station;
}

namespace orbek::display {

void clearPlot(Station& s);
// Short yellow mark of a phase report, red mark of a log row, dotted grey level pulse.
void phaseMark(Station& s);
void logMark(Station& s);
void levelPulse(Station& s);
// The two dotted level lines with their values.
void drawLevelLines(Station& s);
// LevLgGraph.ini into PlotLevel1 and PlotLevel2; unchanged when it cannot be read.
void readLevelLines(Station& s);
void writeLevelLines(Station& s);
// The plot clock's tick.
void plotTick(Station& s);
void restartPlot(Station& s);

void wirePlot(Station& s);

} // namespace orbek::display
