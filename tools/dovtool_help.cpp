#include "tools/dovtool_help.h"

#include <cstring>

#ifndef DOVTOOL_VERSION
#define DOVTOOL_VERSION "0"
#endif

namespace dorv::tools {
namespace {

struct CommandText {
  const char* name;
  const char* text;
};

#define DOVTOOL_COMMON_OPTIONS                                                       \
  "  -v, --verbose        name each output as it is written\n"                     \
  "  -h, --help           show this help\n"

#define DOVTOOL_LAYER_HELP                                                           \
  "  --layer N|NAME       compose only this layer (its number from 0, bottom\n"    \
  "                       first, or its name), shown even when hidden;\n"          \
  "                       repeatable\n"                                            \
  "  --hide-layer N|NAME  leave this layer out; repeatable. Both keep the\n"       \
  "                       frame's own rules: background, keys, opacities and\n"   \
  "                       alpha planes\n"

#define DOVTOOL_SCALE_HELP                                                           \
  "  --scale N            enlarge N times (1 to 32) by nearest neighbour\n"

#define DOVTOOL_EXIT_STATUSES                                                        \
  "Exit status: 0 every file converted cleanly, 1 a file failed, 2 bad usage,\n"    \
  "3 a damaged file was converted as far as it could be read (0 with\n"             \
  "--allow-damaged).\n"

const CommandText kCommands[] = {
    {"info",
     "usage: dovtool info [options] FILE.dov... | -\n"
     "Prints one JSON object per line for each input, in order: \"file\", \"frames\",\n"
     "\"width\", \"height\", \"bpp\", \"transparent\", \"bgcolor\", \"notfillbg\",\n"
     "\"version\" (as the host receives the document), and \"damaged\" with the\n"
     "converter's messages when the file is damaged but was read. A file that\n"
     "cannot be read gives {\"file\":...,\"error\":...}. \"-\" reads standard input.\n"
     "\n"
     "Options:\n"
     "  --frames             add \"frame_list\": per frame its \"name\", \"width\",\n"
     "                       \"height\", \"depth\", \"delay\" (editor units), \"delay_ms\",\n"
     "                       \"disposal\", \"transparent\" and \"layers\": per layer\n"
     "                       \"name\" (UTF-8), \"visible\", \"opacity\", \"key\",\n"
     "                       \"alpha_plane\", \"alpha_on\" and \"coding\"\n"
     "  --allow-damaged      exit 0 for damaged files that were read\n"
     "  -q, --quiet          no warnings, no summary\n" DOVTOOL_COMMON_OPTIONS "\n" DOVTOOL_EXIT_STATUSES},
    {"to-png",
     "usage: dovtool to-png [options] FILE.dov... | -\n"
     "Writes the first frame as the host receives it: an 8-bit palette PNG (with\n"
     "its transparent index) or an RGBA PNG. Outputs go beside each input as\n"
     "NAME.png unless -o or --out-dir is given. \"-\" reads standard input.\n"
     "\n"
     "Options:\n"
     "  -o, --output FILE    the output of a single input (\"-\": standard output)\n"
     "  --out-dir DIR        write the outputs into DIR (created when missing)\n"
     "  --frame N            write frame N (from 0) instead of the first\n"
     "  --all-frames         write every frame as NAME.fNNN.png\n"
     "  --layers             write each layer of the frame (of every frame with\n"
     "                       --all-frames) alone as an RGBA PNG, its key and alpha\n"
     "                       plane as transparency: NAME.fNNN.lNNN.png\n"
     DOVTOOL_SCALE_HELP DOVTOOL_LAYER_HELP
     "  --allow-damaged      exit 0 for damaged files that were converted\n"
     "  -q, --quiet          no progress, warnings or summary\n" DOVTOOL_COMMON_OPTIONS "\n" DOVTOOL_EXIT_STATUSES},
    {"from-png",
     "usage: dovtool from-png [options] IN.png... | -\n"
     "Writes each PNG as a one-frame document, as the host saves one: palette\n"
     "and grey pictures at 8 bits, others at 24 bits with an alpha plane when\n"
     "any pixel is not opaque. Outputs go beside each input as NAME.dov unless\n"
     "-o or --out-dir is given. \"-\" reads standard input.\n"
     "\n"
     "Options:\n"
     "  -o, --output FILE    the output of a single input (\"-\": standard output)\n"
     "  --out-dir DIR        write the outputs into DIR (created when missing)\n"
     "  --compression zlib|none|lossy\n"
     "                       plane coding (default zlib); lossy codes colour as\n"
     "                       JPEG, and palette or grey pictures keep zlib\n"
     "  -q, --quality N      JPEG quality for lossy, 1 to 100 (default 70)\n"
     "  --frames             write all inputs, in order, as the frames of one\n"
     "                       document (-o, or the first input's NAME.dov); the\n"
     "                       pictures must have one size\n"
     "  --delay MS[,MS...]   with --frames: each frame's display time in\n"
     "                       milliseconds, one for all or one per input\n"
     "                       (default 100); stored in the editor's unit, one\n"
     "                       millisecond each\n"
     "  --quiet              no progress, warnings or summary\n" DOVTOOL_COMMON_OPTIONS
     "\n"
     "16-bit samples are reduced to 8 bits, ICC profiles are dropped and a\n"
     "palette with partial transparency is stored as 32-bit RGBA: each says so.\n"
     "\n" DOVTOOL_EXIT_STATUSES},
    {"to-anim",
     "usage: dovtool to-anim [options] FILE.dov -o OUT.webp|OUT.gif|OUT.png\n"
     "Writes every frame, composed as the host composes the first, as an\n"
     "animation that browsers play, looping for ever, each frame shown for its\n"
     "delay (the editor's unit is one millisecond):\n"
     "  webp  lossless; a frame equal to the one before it is joined with it\n"
     "  gif   palette frames keep their palettes (a local table where a frame's\n"
     "        differs) and transparent index; colour frames of at most 256\n"
     "        colours are exact, others are reduced with a warning; only fully\n"
     "        clear pixels stay clear (partial alpha is warned about); delays in\n"
     "        centiseconds, each rounding carried to the next frame so the total\n"
     "        is exact; the editor's disposal is kept\n"
     "  apng  one palette when every frame shares it, else RGBA; delays as exact\n"
     "        fractions; each frame replaces what it covers\n"
     "Frames shorter than 20 ms are warned about in GIF and WebP: browsers show\n"
     "them for 100 ms. \"-\" reads standard input.\n"
     "\n"
     "Options:\n"
     "  -o, --output FILE    the animation (default NAME.webp, NAME.gif or NAME.png\n"
     "                       beside the input; \"-\": standard output)\n"
     "  --out-dir DIR        write the animation into DIR (created when missing)\n"
     "  --format webp|gif|apng\n"
     "                       the format (default: from -o's extension, .gif,\n"
     "                       .png or .apng, else webp)\n"
     DOVTOOL_SCALE_HELP DOVTOOL_LAYER_HELP
     "  --allow-damaged      exit 0 for damaged files that were converted\n"
     "  -q, --quiet          no progress, warnings or summary\n" DOVTOOL_COMMON_OPTIONS "\n" DOVTOOL_EXIT_STATUSES},
    {"thumbnail",
     "usage: dovtool thumbnail [options] -s SIZE IN.dov OUT.png\n"
     "Writes the first frame scaled to fit SIZE x SIZE with its aspect kept, as an\n"
     "RGBA PNG for file managers. Larger pictures are reduced, palette pictures\n"
     "(pixel art) by nearest neighbour and others by averaging; smaller ones are\n"
     "enlarged by the largest whole multiple that fits, by nearest neighbour.\n"
     "\n"
     "Options:\n"
     "  -s, --size SIZE      the largest width and height, 1 to 4096\n"
     "  --scale N            enlarge smaller pictures N times at the most (1 to 32)\n"
     "  --allow-damaged      exit 0 for damaged files that were converted\n"
     "  -q, --quiet          no warnings\n" DOVTOOL_COMMON_OPTIONS "\n" DOVTOOL_EXIT_STATUSES},
    {"to-sheet",
     "usage: dovtool to-sheet [options] FILE.dov [-o SHEET.png] [--data SHEET.json]\n"
     "Puts every frame (or the frames of --frame) on one sprite sheet, and writes\n"
     "the JSON atlas that game engines' importers read: \"frames\" with \"frame\",\n"
     "\"rotated\", \"trimmed\", \"spriteSourceSize\", \"sourceSize\" and \"duration\"\n"
     "(ms), and \"meta\" with the image name, \"size\", \"scale\" and \"layers\".\n"
     "Cells are named \"NAME N\" (\"NAME (LAYER) N\" with --split-layers). The\n"
     "sheet is a palette PNG when every cell shares one palette, else RGBA.\n"
     "\n"
     "Options:\n"
     "  -o, --output FILE    the sheet (default NAME.sheet.png beside the input)\n"
     "  --out-dir DIR        write NAME.sheet.png into DIR\n"
     "  --data FILE          write the atlas (\"-\": standard output)\n"
     "  --format json-hash|json-array\n"
     "                       frames by name or as a list (default json-hash)\n"
     "  --frame LIST         frames such as 0-3,7 or 4- (from 0)\n"
     "  --layout rows|columns|grid|packed\n"
     "                       rows: left to right, a new row after --columns;\n"
     "                       columns: top to bottom, a new column after\n"
     "                       --columns; grid (default): rows of --columns or of\n"
     "                       the square root of the count; packed: cells of\n"
     "                       their own size on shelves, tallest first\n"
     "  --columns N          cells per row (per column for columns)\n"
     "  --padding N          clear pixels between cells\n"
     "  --extrude N          repeat each cell's edge pixels N times around it\n"
     "  --trim               cut clear borders (recorded in spriteSourceSize)\n"
     "  --split-layers       one cell per frame and shown layer\n"
     DOVTOOL_SCALE_HELP DOVTOOL_LAYER_HELP
     "  --allow-damaged      exit 0 for damaged files that were converted\n"
     "  -q, --quiet          no warnings or summary\n" DOVTOOL_COMMON_OPTIONS "\n" DOVTOOL_EXIT_STATUSES},
    {"palette",
     "usage: dovtool palette [options] FILE.dov... [-o OUT.gpl|.act|.pal|.hex]\n"
     "Writes a palette frame's colours (2, 16 or 256 of them) as a GIMP palette\n"
     "(.gpl), a Photoshop colour table (.act, with its count and transparent\n"
     "index), a JASC palette (.pal) or a list of hex colours (.hex), chosen by\n"
     "the output's extension; without -o, NAME.gpl beside each input.\n"
     "\n"
     "Options:\n"
     "  -o, --output FILE    the palette file (\"-\": standard output, as .gpl)\n"
     "  --out-dir DIR        write NAME.gpl into DIR\n"
     "  --frame N            the frame whose palette is written (default 0)\n"
     "  --allow-damaged      exit 0 for damaged files that were read\n"
     "  -q, --quiet          no progress, warnings or summary\n" DOVTOOL_COMMON_OPTIONS "\n" DOVTOOL_EXIT_STATUSES},
    {"host",
     "usage: dovtool host open FILE.dov OUT.png [--plugin PATH] [--short-record]\n"
     "       dovtool host save IN.png OUT.dov [--skip-options] [--plugin PATH] [--short-record]\n"
     "Drives the plug-in module through its selectors, as the host does, and\n"
     "fails when the module writes a field its selector may not write.\n"
     "\n"
     "Options:\n"
     "  --plugin PATH        the plug-in module to load\n"
     "  --skip-options       save without the save-options dialog\n"
     "  --short-record       hand an older host's record, which ends after theRect32\n"
     "  -h, --help           show this help\n"},
};

}  // namespace

const char* ToolHelp() {
  return "usage: dovtool COMMAND [options] FILE...\n"
         "DorvStudio documents (.dov) on the command line.\n"
         "\n"
         "Commands:\n"
         "  info FILE.dov...            describe documents as JSON lines\n"
         "  to-png FILE.dov...          frames and layers as PNG\n"
         "  from-png IN.png...          PNG pictures as documents (or one animation)\n"
         "  to-anim FILE.dov -o X.webp  every frame as animated WebP, GIF or APNG\n"
         "  to-sheet FILE.dov           frames on a sprite sheet with a JSON atlas\n"
         "  palette FILE.dov -o X.gpl   a palette frame's colours as a palette file\n"
         "  thumbnail -s N IN.dov OUT   a thumbnail for file managers\n"
         "  host open|save ...          drive the plug-in module as the host does\n"
         "  help COMMAND                that command's help\n"
         "\n"
         "Options of every command: -h/--help, -v/--verbose, --quiet (also -q where\n"
         "the command has no quality), -- to end the options. \"-\" as the input reads\n"
         "standard input and -o - writes standard output. An output never replaces\n"
         "an input, a device or FIFO is written straight through, a symlink's target\n"
         "is replaced (the link stays), an existing file keeps its mode, and a\n"
         "stopped run leaves no temporary file.\n"
         "  -V, --version               print the version\n"
         "\n" DOVTOOL_EXIT_STATUSES;
}

const char* CommandHelp(const std::string& command) {
  for (const CommandText& c : kCommands)
    if (command == c.name) return c.text;
  return nullptr;
}

const char* ToolVersion() { return "dovtool " DOVTOOL_VERSION; }

}  // namespace dorv::tools
