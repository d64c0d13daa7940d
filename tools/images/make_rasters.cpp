// Draws images of the bundle at fixed sizes into PNG files, with the SVG engine and the call the
// application itself draws them with, so the files hold the very pixels the application would draw:
//   morvex-make-rasters IMAGES_DIR OUT_DIR NAME WIDTH HEIGHT [NAME WIDTH HEIGHT ...]
// writes OUT_DIR/NAME@WIDTHxHEIGHT.argb from IMAGES_DIR/NAME.svg: the drawing's own width and height
// (32-bit each), then its rows of premultiplied 32-bit ARGB pixels, all in the machine's byte
// order, so reading one needs no image format (reading a PNG loads every image format plugin). The output folder is written afresh.
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 6 || (argc - 3) % 3 != 0) {
        std::fprintf(stderr, "usage: %s IMAGES_DIR OUT_DIR NAME WIDTH HEIGHT [NAME WIDTH HEIGHT ...]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path images = argv[1];
    const std::filesystem::path out = argv[2];
    // No display is needed, and at one device pixel per pixel the files are what a window at that
    // scale shows.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QT_SCALE_FACTOR", "1", 1);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    std::filesystem::create_directories(out, ec);
    if (ec) {
        std::fprintf(stderr, "make-rasters: cannot make %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }
    for (int i = 3; i + 2 < argc; i += 3) {
        const std::string name = argv[i];
        char* end = nullptr;
        const long width = std::strtol(argv[i + 1], &end, 10);
        const bool widthOk = end && *end == '\0';
        const long height = std::strtol(argv[i + 2], &end, 10);
        if (!widthOk || !end || *end != '\0' || width <= 0 || height <= 0 || width > 4096 || height > 4096) {
            std::fprintf(stderr, "make-rasters: %s: the size %s x %s is not a size in pixels\n", name.c_str(), argv[i + 1],
                         argv[i + 2]);
            return 1;
        }
        const auto svg = images / (name + ".svg");
        if (!std::filesystem::is_regular_file(svg, ec)) {
            std::fprintf(stderr, "make-rasters: no image %s\n", svg.c_str());
            return 1;
        }
        const QPixmap pixmap = QIcon(QString::fromStdString(svg.string())).pixmap(QSize(int(width), int(height)));
        // The SVG keeps its aspect ratio, so the drawing may be smaller than the size asked for.
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const auto file = out / (name + "@" + std::to_string(width) + "x" + std::to_string(height) + ".argb");
        std::ofstream stream(file, std::ios::binary);
        const std::uint32_t header[2] = {std::uint32_t(image.width()), std::uint32_t(image.height())};
        stream.write(reinterpret_cast<const char*>(header), sizeof header);
        for (int y = 0; y < image.height() && stream; ++y)
            stream.write(reinterpret_cast<const char*>(image.constScanLine(y)), std::streamsize(image.width()) * 4);
        stream.close();
        if (image.isNull() || !stream) {
            std::fprintf(stderr, "make-rasters: cannot draw %s into %s\n", svg.c_str(), file.c_str());
            return 1;
        }
    }
    return 0;
}
