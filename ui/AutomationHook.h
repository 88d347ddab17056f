#pragma once
// A hook for driving the real program from a test or a benchmark, off unless its environment
// variables are set:
// - TARNEL_UI_AUTORUN="1080[,id...]": once the session named on the command line is fully
//   listed, routes these commands as the tool bar would; when the conversion run then ends,
//   prints one line per entry ("entry <status> <path>") and quits with status 0.
// - TARNEL_UI_REPORT_READY=1: prints "ready <ms> <entries>" once the main window has painted
//   and the session is fully listed, with the milliseconds since the process started, and quits.
namespace tarnel::ui {

class CMainFrame;

void InstallAutomationHook(CMainFrame& frame);

}  // namespace tarnel::ui
