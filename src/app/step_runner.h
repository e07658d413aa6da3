#pragma once
// Carries out a step list: the engine's calculations here, each at most once
// per list however many steps ask for it, and what is shown through the
// screen the caller passes (the window; none for the command-line tool).

#include "app/session.h"
#include "dynamics/detail_texts.h"
#include "presentation/steps.h"

namespace qv {

class StepScreen {
  public:
    virtual ~StepScreen() = default;
    virtual void ShowLabels(const DataLabels& labels) = 0;
    virtual void RefreshTables() = 0;  // the sector and drift detail tables
    virtual void RefreshList() = 0;    // the lap list
    // Views and video orders; the screen decides what it can carry out.
    virtual void Repaint(StepKind kind) = 0;
};

void RunSteps(Session& session, const StepList& steps, StepScreen* screen);

}  // namespace qv
