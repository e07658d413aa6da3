#pragma once
// The rules of the log-block and control-line dialog, without its window:
// which runs are ticked, the view and its projection, editing the lines
// with the mouse, the options, shifting the log, renaming runs, saving the
// selection and the closing question. The window forwards its events here
// and paints what these functions leave in the state.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/prompter.h"
#include "core/records.h"
#include "core/stores.h"
#include "laps/line_state.h"

namespace qv {

// --- Runs -------------------------------------------------------------

// The runs ticked when a log has just been opened: those that start after
// 2000-01-01, not later than `now`, and not before the previous run.
void PreselectLogBlocks(LogStore& log, TDateTime now);

// Copies each run's tick into its fixes and recomputes LogRect over the
// active fixes (over all fixes when none is active).
void ApplyBlockTicks(LogStore& log);

// Ticks or unticks every run, then applies the ticks.
void SetAllBlocks(LogStore& log, bool ticked);

// The first and last active fix, or nothing when no fix is active.
struct ActiveRange {
    int first = 0;
    int last = 0;
};
std::optional<ActiveRange> FindActiveRange(const LogStore& log);

// --- Names ------------------------------------------------------------

inline constexpr std::string_view kForbiddenNameChars = "\\/:*?\"<>|";

// Position of the first character that makes `name` unusable as a run
// title (-1 when it is fine); an empty name gives 0.
int FirstForbiddenNameChar(std::string_view name);

// The open-log name as the dialog's label shows it: its first 20 bytes,
// fewer when the 20th would split a character.
std::string LogNameLabel(const std::string& logName);

// --- View and projection ----------------------------------------------

// The part of the map shown, in degrees; starts as LogRect.
using ViewRect = TLogRect;

// Where the map lies inside a paint box of the given size, keeping the
// view's ground aspect ratio.
struct MapProjection {
    ViewRect view;
    int left = 0, top = 0, width = 0, height = 0;

    int X(Float80 lon) const;
    int Y(Float80 lat) const;
    Float80 Lon(int x) const;
    Float80 Lat(int y) const;
};
MapProjection ProjectMap(const ViewRect& view, int boxWidth, int boxHeight);

// Mouse wheel over the map: re-centred on (lat, lon) and scaled by 0.9
// (zoom in, wheelUp) or 1.1, kept inside `bounds` (LogRect).
ViewRect ZoomView(const ViewRect& view, const ViewRect& bounds, Float80 lat, Float80 lon,
                  bool wheelUp);

// --- Lines ------------------------------------------------------------

enum class LineTool { Zoom, Control, Start, Finish };

// The mouse editing of the lines on the map. Positions are in pixels of
// the map's paint box; `projection` converts them.
class LineEditor {
  public:
    explicit LineEditor(LineState& lines) : lines_(lines) {}

    LineTool Tool() const { return tool_; }
    // Choosing the control-line tool switches the Rally option off.
    void SelectTool(LineTool tool);
    // The "Rally" box: ticking sets the option and, with the control-line
    // tool chosen, chooses the start tool; unticking clears it.
    void SetRally(bool ticked);
    // "Erase control line, start/finish" for the current tool.
    void EraseLines();

    void Press(int x, int y, const MapProjection& projection);
    void Move(int x, int y) {
        dragX_ = x;
        dragY_ = y;
    }
    // A zoom rectangle of some size returns the new view.
    std::optional<ViewRect> Release(int x, int y, const MapProjection& projection);

    bool Dragging() const { return drag_ != Drag::None; }
    // The pixel the drag started from and where it is now (rubber band).
    int PressX() const { return pressX_; }
    int PressY() const { return pressY_; }
    int DragX() const { return dragX_; }
    int DragY() const { return dragY_; }

    // The line being drawn or reshaped as it would be released now, in
    // pixels from its first end to its second; nothing otherwise.
    struct Rubber {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    std::optional<Rubber> RubberLine(const MapProjection& projection) const;

    static constexpr int kGrabPixels = 3;

  private:
    enum class Drag { None, ZoomRect, NewLine, FirstEnd, SecondEnd };
    Line* EditedLine();
    bool* EditedFlag();

    LineState& lines_;
    LineTool tool_ = LineTool::Control;
    Drag drag_ = Drag::None;
    int pressX_ = 0, pressY_ = 0, dragX_ = 0, dragY_ = 0;
};

// The marker dialog's text: exactly two comma-separated numbers
// (latitude, longitude) set the marker; anything else changes nothing.
bool SetMarkerFromText(LineState& lines, std::string_view text);

// --- Shifting the log -------------------------------------------------

enum class ShiftDirection { East, West, North, South };

// Moves every fix by one pixel of the current view: (KdoMax - KdoMin) /
// boxWidth of longitude, or (IdoMax - IdoMin) / boxHeight of latitude.
void ShiftLog(LogStore& log, const ViewRect& view, int boxWidth, int boxHeight,
              ShiftDirection direction);

// --- Saving the selection ---------------------------------------------

// The active fixes from the first to the last active one as lap samples,
// times from the first, directions turned to the lap convention, distance
// accumulated. Empty unless two different active fixes exist.
std::vector<TLapElmRec> SelectionAsLapSamples(const LogStore& log);

// "Save record": asks for the file and writes the selection as a lap data
// file. Returns the platform's message when writing failed.
struct SaveRecordResult {
    bool saved = false;
    std::string error;
};
SaveRecordResult SaveRecord(const LogStore& log, Prompter& prompter, Folders& folders);

// --- Closing ----------------------------------------------------------

inline constexpr const char* kMsgControlLineNotSet =
    "Control line is not set.\rFind control line？";

enum class CloseDecision { CloseWithOk, FindCircuit };

// OK pressed: with no line set the user is asked whether to look for one.
CloseDecision OnDialogOk(const LineState& lines, Prompter& prompter);

}  // namespace qv
