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
     "usage: dovtool to-anim [options] FILE.dov -o OUT.webp\n"
     "Writes every frame, composed as the host composes the first, as a lossless\n"
     "animated WebP that browsers play, looping for ever. Each frame shows for\n"
     "its delay: the editor's unit is one millisecond. A frame equal to the one\n"
     "before it is joined with it, their delays added. \"-\" reads standard input.\n"
     "\n"
     "Options:\n"
     "  -o, --output FILE    the animation (default NAME.webp beside the input;\n"
     "                       \"-\": standard output)\n"
     "  --out-dir DIR        write NAME.webp into DIR (created when missing)\n"
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
     "  --allow-damaged      exit 0 for damaged files that were converted\n"
     "  -q, --quiet          no warnings\n" DOVTOOL_COMMON_OPTIONS "\n" DOVTOOL_EXIT_STATUSES},
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
         "  to-anim FILE.dov -o X.webp  an animated WebP of every frame\n"
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
