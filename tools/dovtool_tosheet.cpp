// dovtool to-sheet FILE.dov: frames (or frames and layers) on one sprite
// sheet, with a JSON atlas for game engines.
#include <exception>
#include <set>

#include "tools/composite_rgba.h"
#include "tools/dov_document.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_pictures.h"
#include "tools/frame_ranges.h"
#include "tools/input_file.h"
#include "tools/layer_choice.h"
#include "tools/output_file.h"
#include "tools/pixel_scale.h"
#include "tools/sheet_data.h"
#include "tools/sheet_layout.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"output", 'o', "FILE"},   {"out-dir", 0, "DIR"},  {"data", 0, "FILE"},
                               {"format", 0, "json-hash|json-array"},            {"frame", 0, "LIST"},
                               {"layout", 0, "rows|columns|grid|packed"},        {"columns", 0, "N"},
                               {"padding", 0, "N"},       {"extrude", 0, "N"},    {"trim", 0, nullptr},
                               {"split-layers", 0, nullptr},                     {"scale", 0, "N"},
                               DOVTOOL_LAYER_OPTIONS,     DOVTOOL_READER_OPTIONS};

struct Cell {
  frames::Composite picture;
  SheetEntry entry;
};

std::string Stem(const std::string& input) {
  const std::string name = input == "-" ? "stdin" : input.substr(input.rfind('/') + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// All cells palette pictures of one palette and key.
bool OnePalette(const std::vector<Cell>& cells) {
  for (const Cell& c : cells)
    if (c.picture.Bpp != 8 || c.picture.Palette != cells[0].picture.Palette ||
        c.picture.TransparentIndex != cells[0].picture.TransparentIndex)
      return false;
  return !cells.empty();
}

}  // namespace

int RunToSheet(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  CheckInputs(parsed);
  if (parsed.inputs.size() != 1) throw UsageError("to-sheet takes one document");
  const std::string input = parsed.inputs[0];
  const OutputRule rule = OutputRuleFrom(parsed);
  SheetOptions sheet;
  if (parsed.Has("layout")) sheet.layout = ParseSheetLayout(parsed.Value("layout"));
  if (parsed.Has("columns")) sheet.columns = ParseNumber("columns", parsed.Value("columns"), 1, 65536);
  if (parsed.Has("padding")) sheet.padding = ParseNumber("padding", parsed.Value("padding"), 0, 1024);
  if (parsed.Has("extrude")) sheet.extrude = ParseNumber("extrude", parsed.Value("extrude"), 0, 1024);
  const int32_t scale = parsed.Has("scale") ? ParseNumber("scale", parsed.Value("scale"), 1, kMaxScale) : 1;
  const std::string format = parsed.Value("format", "json-hash");
  if (format != "json-hash" && format != "json-array") throw UsageError("--format is json-hash or json-array");
  if (parsed.Has("data") && parsed.Value("data").empty()) throw UsageError("--data needs a file name");
  const bool trim = parsed.Has("trim"), split = parsed.Has("split-layers");
  const LayerChoice choice = LayerChoiceFrom(parsed);
  const std::string sheetPath = OutputPathFor(input, ".sheet.png", rule);
  const std::string dataPath = parsed.Value("data");
  if (dataPath == sheetPath && dataPath != "-") throw UsageError("the sheet and its data need two names");
  if (dataPath == "-" && sheetPath == "-") throw UsageError("only one of the sheet and its data can go to standard output");

  Reporter report(1, VerbosityFrom(parsed));
  try {
    RefuseOutputOverInputs(sheetPath, parsed.inputs);
    if (!dataPath.empty()) RefuseOutputOverInputs(dataPath, parsed.inputs);
    OutputFile out(sheetPath);
    frames::ReadOptions options;
    options.Composites = false;
    const frames::Document doc = ReadWholeDocument(ReadInputBytes(input), options);
    if (doc.Damaged()) report.Damaged(input, doc.Messages);
    CheckLayerChoice(choice, doc);
    const auto count = static_cast<uint32_t>(doc.Frames.size());
    std::vector<uint32_t> which;
    if (parsed.Has("frame")) which = ParseFrameRanges(parsed.Value("frame"), count);
    else
      for (uint32_t f = 0; f < count; ++f) which.push_back(f);

    std::vector<Cell> cells;
    std::set<std::string> names;
    const std::string stem = Stem(input);
    const auto add = [&](frames::Composite picture, uint32_t f, const std::string& label) {
      picture = ScaleUp(picture, scale);
      Cell cell;
      cell.entry.sourceW = picture.Width;
      cell.entry.sourceH = picture.Height;
      cell.entry.source = {0, 0, picture.Width, picture.Height};
      if (trim) {
        const Box box = OpaqueBounds(picture);
        cell.entry.trimmed = !(box == cell.entry.source);
        cell.entry.source = box;
        if (cell.entry.trimmed) picture = Crop(picture, box);
      }
      cell.entry.durationMs = doc.Frames[f].DelayMilliseconds;
      std::string name = stem + (label.empty() ? "" : " (" + label + ")") + " " + std::to_string(f);
      for (int k = 2; !names.insert(name).second; ++k) name = stem + " (" + label + " #" + std::to_string(k) + ") " + std::to_string(f);
      cell.entry.name = name;
      cell.picture = std::move(picture);
      cells.push_back(std::move(cell));
    };
    for (uint32_t f : which) {
      if (!split) {
        add(ChosenComposite(doc, f, choice), f, "");
        continue;
      }
      const frames::FrameInfo& info = doc.Frames[f];
      std::vector<uint8_t> shown = ShownLayers(choice, info);
      if (shown.empty())
        for (const auto& l : info.Layers) shown.push_back(l.Visible ? 1 : 0);
      for (size_t l = 0; l < shown.size(); ++l) {
        if (!shown[l]) continue;
        std::vector<uint8_t> alone(shown.size(), 0);
        alone[l] = 1;
        add(frames::ComposeChosen(doc.decoder.get(), f, alone), f, info.Layers[l].Name);
      }
    }
    if (cells.empty()) throw std::runtime_error("no frame or layer to put on the sheet");

    const bool palette = OnePalette(cells);
    if (!palette)
      for (Cell& c : cells)
        if (c.picture.Bpp == 8) {
          frames::RgbaImage rgba = CompositeRgba(c.picture);
          c.picture.Bpp = 32;
          c.picture.Pixels = std::move(rgba.Pixels);
          c.picture.TransparentIndex = -1;
        }
    std::vector<Box> sizes;
    for (const Cell& c : cells) sizes.push_back({0, 0, c.picture.Width, c.picture.Height});
    const SheetPlan plan = PlanSheet(sizes, sheet);
    frames::Composite image = BlankSheet(plan.width, plan.height, cells[0].picture);
    std::vector<SheetEntry> entries;
    for (size_t i = 0; i < cells.size(); ++i) {
      PlaceCell(image, cells[i].picture, plan.cells[i].x, plan.cells[i].y, sheet.extrude);
      cells[i].entry.frame = plan.cells[i];
      entries.push_back(cells[i].entry);
    }
    out.Write(EncodePng(ToPng(image)));
    if (!dataPath.empty()) {
      SheetMeta meta;
      meta.image = sheetPath == "-" ? "stdout.png" : BaseName(sheetPath);
      meta.width = plan.width;
      meta.height = plan.height;
      meta.scale = scale;
      meta.palette = palette;
      for (const auto& l : doc.Frames[which[0]].Layers) meta.layers.push_back({l.Name, l.Opacity, l.Visible});
      const std::string json = SheetJson(entries, meta, format == "json-hash");
      OutputFile data(dataPath);
      data.Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(json.data()), json.size()));
      data.Commit();
    }
    out.Commit();
    report.Wrote(input, sheetPath);
    if (!dataPath.empty()) report.Wrote(input, dataPath);
  } catch (const OutputError& e) {
    report.Error(e.Path(), e.what());
  } catch (const std::exception& e) {
    report.Error(input, e.what());
  }
  return report.Finish(parsed.Has("allow-damaged"));
}

}  // namespace dorv::tools
