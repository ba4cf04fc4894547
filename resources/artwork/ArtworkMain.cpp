// velmo_artwork <outdir> [--preview <file> punch color gain meter power compressor]
//
// Draws the editor's ten PNG images into <outdir> (the repository's resources/).
// With --preview it also writes the whole editor as it would look, the knobs and
// the meter at the given frames and the two switches on (1) or off (0).
#include "resources/artwork/Artwork.h"

#include <iostream>

namespace
{
bool writePng(const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat png;
    return out.openedOk() && png.writeImageToStream(image, out) && (out.flush(), out.getStatus().wasOk());
}
}

int main(int argc, char* argv[])
{
    if (argc != 2 && argc != 10)
    {
        std::cerr << "usage: velmo_artwork <outdir> [--preview <file> punch color gain meter power compressor]\n";
        return 2;
    }

    const juce::File outDir = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    if (!outDir.createDirectory())
    {
        std::cerr << "velmo_artwork: cannot create " << outDir.getFullPathName() << "\n";
        return 1;
    }

    artwork::Fonts fonts;
    const juce::File fontDir("/usr/share/fonts/truetype/dejavu");
    if (!artwork::loadFonts(fontDir, fonts))
    {
        std::cerr << "velmo_artwork: DejaVu Sans not found in " << fontDir.getFullPathName()
                  << " (Debian package fonts-dejavu-core)\n";
        return 1;
    }

    const auto images = artwork::drawAll(fonts);
    for (const auto& named : images)
    {
        const auto file = outDir.getChildFile(named.fileName);
        if (!writePng(named.image, file))
        {
            std::cerr << "velmo_artwork: cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
        std::cout << file.getFullPathName() << " " << named.image.getWidth() << "x" << named.image.getHeight() << "\n";
    }

    if (argc == 10)
    {
        if (juce::String(argv[2]) != "--preview")
        {
            std::cerr << "velmo_artwork: unknown option " << argv[2] << "\n";
            return 2;
        }
        const auto preview =
            artwork::drawPreview(images, juce::String(argv[4]).getIntValue(), juce::String(argv[5]).getIntValue(),
                juce::String(argv[6]).getIntValue(), juce::String(argv[7]).getIntValue(),
                juce::String(argv[8]).getIntValue() != 0, juce::String(argv[9]).getIntValue() != 0);
        const auto file = juce::File::getCurrentWorkingDirectory().getChildFile(argv[3]);
        if (!writePng(preview, file))
        {
            std::cerr << "velmo_artwork: cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
    }
    return 0;
}
