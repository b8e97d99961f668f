// The whole-process peer of `varno-inspect xml FILE`: reads a file with
// pugixml (default parse), prints a status line and the document written back
// with one tab per level, as the inspector does with the engine's parser.
// Exit status 0 read, 1 rejected, 2 wrong usage.
#include <cstdio>

#include <pugixml.hpp>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xml_print_pugixml FILE\n");
        return 2;
    }
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(argv[1]);
    std::printf("%s\n", result.description());
    if (!result) {
        return 1;
    }
    pugi::xml_writer_file out(stdout);
    doc.print(out, "\t");
    return 0;
}
