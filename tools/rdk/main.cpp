// rdk: checks, describes and previews scene files (.rdk).
//
//   rdk check FILE                         every problem with its position
//   rdk stats FILE [--depth N]             counts and the tree of groups
//   rdk render FILE -o PICTURE.png [--size WxH] [--view VIEW]
//
// Exit status: 0 done (check: the file is well formed), 1 the file is
// malformed or cannot be read or written, 2 the command line is wrong.

#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "Commands.h"

int main(int argc, char** argv)
{
    CLI::App app("Checks, describes and previews RayDeck scene files (.rdk).", "rdk");
    app.footer("Exit status: 0 done (for check: the file is well formed), 1 the file is malformed\n"
               "or cannot be read or written, 2 the command line is wrong.\n"
               "Run 'rdk COMMAND --help' for a command's options.");
    app.require_subcommand(1, 1);

    std::string file;
    auto* check = app.add_subcommand("check", "Read FILE and report every problem with its line and column.\n"
                                              "\"#error\" lines that the scene holds are warnings, not problems.");
    check->add_option("FILE", file, "the scene file")->required();

    int depth = 3;
    auto* stats = app.add_subcommand("stats", "Count groups, objects, triangles, vertices, materials, shaders,\n"
                                              "definitions and instances of FILE, and show its tree of groups\n"
                                              "and objects with their names and flag words.");
    stats->add_option("FILE", file, "the scene file")->required();
    stats->add_option("-d,--depth", depth, "levels of the tree to show (0: none)")
        ->check(CLI::Range(0, 1000))
        ->capture_default_str();

    std::string picture, size = "800x600", view;
    auto* render = app.add_subcommand("render", "Draw a preview of FILE: every placed object in the diffuse\n"
                                                "colour of its material, with simple shading, seen through the\n"
                                                "scene's camera or a view that fits the whole scene.");
    render->add_option("FILE", file, "the scene file")->required();
    render->add_option("-o,--output", picture, "the picture to write (PNG)")->required();
    render->add_option("-s,--size", size, "picture size WIDTHxHEIGHT, each 1 to 16384")
        ->check([](const std::string& s) { return rdk::parseSize(s) ? std::string() : "expected WIDTHxHEIGHT, each 1 to 16384"; })
        ->capture_default_str();
    render->add_option("-v,--view", view,
                       "camera, front, back, left, right, top, bottom or iso\n"
                       "(default: the scene's camera, or iso when it has none)")
        ->check(CLI::IsMember({"camera", "front", "back", "left", "right", "top", "bottom", "iso"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }

    if (check->parsed())
        return rdk::check(file, std::cout, std::cerr);
    if (stats->parsed())
        return rdk::stats(file, depth, std::cout, std::cerr);
    rdk::RenderOptions options;
    const auto wh = rdk::parseSize(size);
    options.width = wh->first;
    options.height = wh->second;
    if (!view.empty())
        options.view = rdk::viewNamed(view);
    return rdk::render(file, picture, options, std::cout, std::cerr);
}
