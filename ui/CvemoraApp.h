#pragma once
// The application object: the start-up steps in their order, the main frame's life and the
// exit step. Start-up ends the program (with a non-zero status) when the command line's
// session cannot be opened, after the open has shown its message. The QApplication is the
// caller's (main, or a test that starts the program's objects several times).
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/InstanceMarker.h"

namespace tarnel::ui {

class CMainFrame;
class QtDocumentHost;

#ifndef TARNEL_APP_ID
#define TARNEL_APP_ID "com.tarnelsolutions.AudioConverter"
#endif

// The desktop file's name without ".desktop": the window's application id (Wayland app_id), so
// the desktop matches the window to its launcher and icon.
inline constexpr char kDesktopFileName[] = TARNEL_APP_ID;
// The program's name: X11 WM_CLASS (the launcher's StartupWMClass) and Qt's application name.
inline constexpr char kApplicationName[] = "tarnel-audio-converter";

class CvemoraApp {
public:
    // Makes the frame's host; without one the frame makes the Qt host.
    using HostFactory = std::function<std::unique_ptr<QtDocumentHost>()>;
    explicit CvemoraApp(HostFactory hostFactory = {});
    ~CvemoraApp();

    // Start-up with the program's arguments (the program name first, Qt's own options taken
    // out); false when the program is to end at once. `now` is seconds since 1970.
    bool InitInstance(const QStringList& arguments, int64_t now);

    CMainFrame* Frame() { return frame_.get(); }
    bool HoldsInstanceMarker() const { return marker_.Held(); }
    // The session file named on the command line, if any.
    const std::optional<std::string>& SessionArgument() const { return sessionArgument_; }

    // The single optional argument; nothing for none, an error text for anything else.
    struct Arguments {
        std::optional<std::string> session;
        std::string error;
    };
    static Arguments ParseArguments(const QStringList& arguments);

    // What the whole process sets up once, before the first InitInstance: names, the filters,
    // the colour scheme.
    static void InitProcess();

private:
    HostFactory hostFactory_;
    InstanceMarker marker_;
    std::unique_ptr<CMainFrame> frame_;
    std::optional<std::string> sessionArgument_;
};

}  // namespace tarnel::ui
