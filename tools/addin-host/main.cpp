// addin-host: stands in for the host application around the RayDeck add-in.
// It loads a design file (a design document, or a CAD or mesh file chosen by
// its extension) into the stand-in host, loads the add-in module the way the
// host does (by file, then "run" and "stop" by name), calls run, clicks the
// add-in's commands, answers the save dialog, and calls stop.
//
// "-" is standard input for a design document or a script, and standard
// output for the scene file.
//
// Exit status: 0 when everything went as asked, 1 when the session failed
// (a bad document, a failed command, a message box, nothing written), 2 for
// a bad command line or script.

#include "Script.h"
#include "Session.h"

#include <StandIn/AnyFormat.h>
#include <StandIn/StandIn.h>
#include <platform/Files.h>
#include <platform/ProcessInfo.h>
#include <platform/Program.h>
#include <platform/Registry.h>

#include <tools/cli/CommandLine.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace sh = standin::host;
using addinhost::Session;
using addinhost::Step;

constexpr const char* kExportCommand = "Export to RayDeck .rdk";
constexpr const char* kRenderCommand = "Render in RayDeck 8";

// The module of the add-in folder beside this program's folder, as the build
// tree and the installation lay them out (bin/addin-host and
// RayDeck8Addin/RayDeck8Addin.so under one prefix; .exe and .dll on Windows).
std::string defaultModulePath(const std::string& argv0)
{
    std::error_code error;
    std::string self = platform::executablePath();
    if (self.empty())
        self = platform::utf8FromPath(fs::absolute(platform::pathFromUtf8(argv0), error));
    const fs::path folder = platform::pathFromUtf8(self).parent_path().parent_path();
    return platform::utf8FromPath((folder / RD_ADDIN_MODULE_RELATIVE).lexically_normal());
}

// What a save dialog returns: the full path, as the user's choice.
std::string chosenPath(const std::string& out)
{
    if (out == "-")
        return out;
    std::error_code error;
    const fs::path path = fs::absolute(platform::pathFromUtf8(out), error);
    return error ? out : platform::utf8FromPath(path.lexically_normal());
}

int exportDesign(Session& session, const std::string& design, const std::string& out)
{
    const std::string path = chosenPath(out);
    // The scene would take the design's place: refused before anything runs.
    if (out != "-" && platform::sameFile(design, path)) {
        Session::report("the scene file \"" + path + "\" is the design file itself; nothing was written");
        return 2;
    }
    const std::vector<Step> steps = {
        {Step::Kind::Run, {}, {}},
        {Step::Kind::Open, {design}, {}},
        {Step::Kind::Answer, {path}, {}},
        {Step::Kind::Click, {kExportCommand}, {}},
    };
    const bool executed = session.execute(steps);
    const bool finished = session.finish();
    if (!executed || !finished)
        return 1;
    const auto& click = session.lastClick();
    const std::vector<sh::FileDialogRecord> dialogs = sh::shownFileDialogs();
    const std::string target = out == "-" ? "standard output" : "\"" + path + "\"";
    if (click && click->failed) {
        Session::report("the export to " + target + " failed");
        return 1;
    }
    if (dialogs.empty()) {
        Session::report("nothing exported: the command showed no save dialog");
        return 1;
    }
    if (!session.allAccountedFor()) {
        Session::report("the export to " + target + " showed " + session.unaccountedSummary());
        return 1;
    }
    Session::report("wrote the scene to " + target);
    return 0;
}

// After a failed render: where RayDeck was looked for, and how to try the
// live link on its own.
void explainRenderFailure()
{
    std::string read;
    for (const auto& [root, name] : {std::pair{platform::RegistryRoot::CurrentUser, "HKEY_CURRENT_USER"},
                                     std::pair{platform::RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE"}}) {
        const std::optional<std::string> file = platform::registryRootFile(root);
        read += read.empty() ? "" : ", ";
        read += name;
        if (file && file->empty())
            read += " from no file";
        else if (file)
            read += " from " + *file + (platform::isReadableFile(*file) ? "" : " (missing or not readable)");
    }
    Session::report("RayDeck was looked for in the registry: " + read);
    Session::report("to try the live link with a stand-in RayDeck: tools/try-render.sh FOLDER DESIGN (in the source "
                    "tree; -h tells more)");
}

int renderDesigns(Session& session, const std::vector<std::string>& designs)
{
    std::vector<Step> steps = {{Step::Kind::Run, {}, {}}};
    for (const std::string& design : designs) {
        steps.push_back({Step::Kind::Open, {design}, {}});
        steps.push_back({Step::Kind::Click, {kRenderCommand}, {}});
    }
    const bool executed = session.execute(steps);
    const bool finished = session.finish();
    if (executed && finished && session.allAccountedFor())
        return 0;
    if (executed && finished)
        Session::report("rendering showed " + session.unaccountedSummary());
    explainRenderFailure();
    return 1;
}

int runScript(Session& session, const std::vector<Step>& steps)
{
    const bool executed = session.execute(steps);
    const bool finished = session.finish();
    if (!executed || !finished)
        return 1;
    if (!session.allAccountedFor()) {
        Session::report("the session had " + session.unaccountedSummary() + " that no step expected");
        return 1;
    }
    return 0;
}

// The options of how CAD and mesh files are read, on the tool and on each
// command: they may go before or after the command, and each command's help
// lists them.
struct ImportSettings {
    sh::ImportOptions import;
    double angleDegrees = import.angularDeflection * 180 / 3.14159265358979323846;
    std::string progress = "auto";

    void addTo(CLI::App& app)
    {
        CLI::Option_group* group = app.add_option_group("CAD and mesh files");
        group->add_option("--deflection", import.deflection,
                          "CAD files: the largest distance between a curved face and its display mesh, in mm.\n"
                          "0 (the default) takes --relative-deflection of each part's size instead,\n"
                          "0.1 % of its bounding box's diagonal: 0.04 mm for a part of 40 mm, 0.005 mm\n"
                          "for one of 5 mm. So a value given here may be coarser than the default on\n"
                          "small parts, and give fewer triangles.")
            ->capture_default_str();
        group->add_option("--relative-deflection", import.relativeDeflection,
                          "CAD files with --deflection 0: the deflection as a fraction of each part's\n"
                          "bounding-box diagonal")
            ->capture_default_str();
        group->add_option("--angular-deflection", angleDegrees,
                          "CAD files: the largest angle between the normals along a triangle edge, in degrees")
            ->capture_default_str();
        group->add_option("--mesh-unit", import.meshUnit,
                          "the length unit of mesh files without one (OBJ, STL, PLY, ...): mm, cm, m, in or ft")
            ->capture_default_str();
        group->add_option("--progress", progress,
                          "show the loading of CAD and mesh files on standard error: auto (when it is a\n"
                          "terminal), always or never")
            ->check(CLI::IsMember({"auto", "always", "never"}))
            ->capture_default_str();
    }
};

int run(int argc, char** argv)
{
    // Mesh and CAD files of gigabytes pass through the importers' memory.
    platform::returnFreedMemoryPromptly();
    CLI::App app{"Stands in for Fusion 360 around the RayDeck 8 add-in: loads a design file, loads the add-in "
                 "module, calls its run, clicks its commands, answers the save dialog, calls its stop.",
                 "addin-host"};
    rdcli::describeTool(app, "addin-host",
                        "the session failed: a bad design file, a failed command, a message box,\n"
                        "     nothing written, an add-in module that does not load",
                        "Run 'addin-host COMMAND --help' for a command's arguments.");
    app.fallthrough();
    // Options start with "-" on every system: on Windows CLI11 would also take
    // "/name", and so a path such as /home/me/design.json for an option.
    app.allow_windows_style_options(false);
    // UTF-8 arguments on every system (file names beyond the ANSI code page
    // on Windows).
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    std::vector<const char*> argPointers;
    for (const std::string& arg : args)
        argPointers.push_back(arg.c_str());
    std::string modulePath = defaultModulePath(args.empty() ? std::string() : args.front());
    bool verbose = false;
    app.add_option("--addin", modulePath, "the add-in module to load")->capture_default_str();
    app.add_flag("-v,--verbose", verbose, "report every step, not only what goes wrong");
    ImportSettings settings;
    settings.addTo(app);

    const std::string designHelp = "design file (" + sh::supportedExtensions() +
                                   "; \"-\": a design document on standard input)";
    std::string design, out;
    CLI::App* exportCommand = app.add_subcommand(
        "export", "click \"Export to RayDeck .rdk\" on DESIGN, answering the save dialog with OUT; exit status 0 "
                  "only when the file was written completely");
    exportCommand->add_option("DESIGN", design, designHelp)->required();
    exportCommand->add_option("OUT", out, "the scene file to write (.rdk; \"-\": standard output)")->required();
    settings.addTo(*exportCommand);

    std::vector<std::string> designs;
    CLI::App* renderCommand = app.add_subcommand(
        "render", "click \"Render in RayDeck 8\" once per design state, in order, in one add-in session");
    renderCommand->add_option("DESIGN", designs, designHelp)->required();
    settings.addTo(*renderCommand);

    std::string scriptFile;
    CLI::App* scriptCommand =
        app.add_subcommand("script", "run a session script ('addin-host script --help' lists the steps)");
    scriptCommand->add_option("FILE", scriptFile, "the script (\"-\": standard input)")->required();
    settings.addTo(*scriptCommand);
    scriptCommand->footer("Session scripts hold one step per line; blank lines and lines starting with # are "
                          "skipped; relative file names are taken from the script's folder:\n" +
                          addinhost::scriptHelp() +
                          "\nExample:\n  run\n  open gearbox.design.json\n  cancel\n  click Export to RayDeck .rdk\n"
                          "  answer out/gearbox.rdk\n  click Export to RayDeck .rdk\n  stop\n\n" +
                          app.get_footer());

    app.require_subcommand(1);
    if (const auto status = rdcli::parse(app, "addin-host", static_cast<int>(argPointers.size()), argPointers.data()))
        return rdcli::finish("addin-host", *status);

    sh::ImportOptions import = settings.import;
    import.angularDeflection = settings.angleDegrees * 3.14159265358979323846 / 180;
    try {
        sh::checkImportOptions(import);
    } catch (const std::invalid_argument& e) {
        Session::report(std::string("bad option: ") + e.what());
        return rdcli::kBadCommandLine;
    }
    const sh::StreamProgress::Mode progressMode = settings.progress == "always"  ? sh::StreamProgress::Mode::Always
                                                  : settings.progress == "never" ? sh::StreamProgress::Mode::Never
                                                                                 : sh::StreamProgress::Mode::Auto;

    std::vector<Step> steps;
    if (*scriptCommand) {
        try {
            steps = addinhost::readScript(platform::pathFromUtf8(scriptFile));
        } catch (const addinhost::ScriptError& e) {
            Session::report(e.what());
            return rdcli::kBadCommandLine;
        }
    }

    int status = 0;
    {
        Session session(modulePath, verbose);
        session.setImportOptions(import, progressMode);
        if (*exportCommand)
            status = exportDesign(session, design, out);
        else if (*renderCommand)
            status = renderDesigns(session, designs);
        else
            status = runScript(session, steps);
    }
    return rdcli::finish("addin-host", status);
}

} // namespace

int main(int argc, char** argv)
{
    return platform::guardedMain("addin-host", rdcli::kFailed, run, argc, argv);
}
