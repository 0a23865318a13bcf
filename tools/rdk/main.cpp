// rdk: checks, describes and previews scene files (.rdk).
//
//   rdk check FILE                         every problem with its position
//   rdk stats FILE [--depth N]             counts and the tree of groups
//   rdk render FILE -o PICTURE.png [--size WxH] [--view VIEW] [--up AXIS]
//
// FILE "-" is standard input, PICTURE "-" standard output. Exit status: 0
// done (check: the file is well formed), 1 the file is malformed or cannot
// be read or written, 2 the command line is wrong.

#include <cctype>
#include <iostream>
#include <string>

#include <tools/cli/CommandLine.h>

#include <platform/Program.h>

#include "Commands.h"

namespace {

// A preview is a PNG: a name that says otherwise would mislead whoever opens it.
std::string pngName(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "-" || extension == ".png")
        return {};
    return "the picture is a PNG: name it NAME.png, or \"-\" for standard output";
}

int run(int argc, char** argv)
{
    CLI::App app("Checks, describes and previews RayDeck scene files (.rdk).", "rdk");
    rdcli::describeTool(app, "rdk", "the file is malformed (check: not well formed), or cannot be read or written",
                        "FILE \"-\" reads the scene from standard input.\n"
                        "Run 'rdk COMMAND --help' for a command's options.");
    app.require_subcommand(1, 1);

    std::string file;
    auto* check = app.add_subcommand("check", "Read FILE and report every problem with its line and column.\n"
                                              "\"#error\" lines that the scene holds are warnings, not problems.");
    check->add_option("FILE", file, "the scene file (\"-\": standard input)")->required();

    int depth = 3;
    auto* stats = app.add_subcommand("stats", "Count groups, objects, triangles, vertices, materials, shaders,\n"
                                              "definitions and instances of FILE, and show its tree of groups\n"
                                              "and objects with their names and flag words.");
    stats->add_option("FILE", file, "the scene file (\"-\": standard input)")->required();
    stats->add_option("-d,--depth", depth, "levels of the tree to show (0: none)")
        ->check(CLI::Range(0, 1000))
        ->capture_default_str();

    std::string picture, size = "800x600", view, up;
    auto* render = app.add_subcommand("render", "Draw a preview of FILE: every placed object in the diffuse\n"
                                                "colour of its material, with simple shading, seen through the\n"
                                                "scene's camera or a view that fits the whole scene.");
    render->add_option("FILE", file, "the scene file (\"-\": standard input)")->required();
    render->add_option("-o,--output", picture, "the picture to write, NAME.png (\"-\": standard output)")
        ->required()
        ->check(pngName);
    render->add_option("-s,--size", size, "picture size WIDTHxHEIGHT, each 1 to 16384")
        ->check([](const std::string& s) { return rdk::parseSize(s) ? std::string() : "expected WIDTHxHEIGHT, each 1 to 16384"; })
        ->capture_default_str();
    render->add_option("--view", view,
                       "camera, front, back, left, right, top, bottom or iso\n"
                       "(default: the scene's camera, or iso when it has none)")
        ->check(CLI::IsMember({"camera", "front", "back", "left", "right", "top", "bottom", "iso"}));
    render->add_option("--up", up,
                       "the axis that points up: x, y or z (default: what the scene says,\n"
                       "its import options' up vector or its camera's up direction; else y)")
        ->check(CLI::IsMember({"x", "y", "z"}));

    if (const auto status = rdcli::parse(app, "rdk", argc, argv))
        return rdcli::finish("rdk", *status);

    int status = 0;
    if (check->parsed()) {
        status = rdk::check(file, std::cout, std::cerr);
    } else if (stats->parsed()) {
        status = rdk::stats(file, depth, std::cout, std::cerr);
    } else {
        rdk::RenderOptions options;
        const auto wh = rdk::parseSize(size);
        options.width = wh->first;
        options.height = wh->second;
        if (!view.empty())
            options.view = rdk::viewNamed(view);
        if (!up.empty())
            options.up = rdk::axisNamed(up);
        status = rdk::render(file, picture, options, std::cout, std::cerr);
    }
    return rdcli::finish("rdk", status);
}

} // namespace

int main(int argc, char** argv)
{
    return platform::guardedMain("rdk", rdcli::kFailed, run, argc, argv);
}
