// The render tool end to end for the solid colours: its call list and its PNG.
#include "test_support.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <unistd.h>

using namespace tintoral;
using namespace tintoral::test;

namespace {

struct Solid {
    int code;
    int r, g, b;
    std::vector<std::string> extra;
};

const Solid kSolids[] = {
    {0, 0, 0, 0, {}},          {2, 0, 0, 0, {}},       {3, 255, 255, 255, {}},
    {4, 128, 128, 128, {}},    {5, 255, 0, 0, {}},     {6, 0, 255, 0, {}},
    {7, 0, 0, 255, {}},        {8, 1, 1, 1, {}},       {8, 64, 64, 64, {"--black-level", "64"}},
    {8, 17, 17, 17, {"--black-level", "17", "--half-mode", "1", "--orbit", "1,-1"}},
};

std::string shortest(float v)
{
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, end);
}

TEST(RenderToolSolid, ListIsOneWindowFillInTheColour)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {1023, 767}, {16384, 9}};
    for (const char *t : {"15", "12", "10", "7.5", "13.7"})
        for (auto [w, h] : sizes)
            for (const Solid &s : kSolids) {
                std::vector<std::string> args = {"--mode", std::to_string(s.code), "--size",
                                                 std::to_string(w) + "x" + std::to_string(h),
                                                 "--twips-per-pixel", t, "--list", "-"};
                args.insert(args.end(), s.extra.begin(), s.extra.end());
                std::string out, err;
                ASSERT_EQ(runRenderTool(args, &out, &err), 0) << err;
                const float tw = std::stof(t);
                const std::string want = "fill 0 0 " + shortest(float(double(w) * tw)) + " "
                                         + shortest(float(double(h) * tw)) + " "
                                         + std::to_string(RGB(s.r, s.g, s.b)) + "\n";
                EXPECT_EQ(out, want) << "code " << s.code << " " << w << "x" << h << " at " << t;
            }
}

TEST(RenderToolSolid, PngCoversEveryPixelWithTheExactColour)
{
    char dir[] = "/tmp/tintoral-solid-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string png = std::string(dir) + "/out.png";
    for (const Solid &s : kSolids)
        for (const char *size : {"1x1", "7x3", "641x359"}) {
            std::vector<std::string> args = {"--mode", std::to_string(s.code), "--size", size,
                                             "--twips-per-pixel", "10,12", "--png", png};
            args.insert(args.end(), s.extra.begin(), s.extra.end());
            ASSERT_EQ(runRenderTool(args), 0);
            QFile file(QString::fromStdString(png));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            // IHDR: bit depth 8, colour type 2 (RGB, no alpha, no palette).
            ASSERT_GT(bytes.size(), 26);
            EXPECT_EQ(int(bytes[24]), 8);
            EXPECT_EQ(int(bytes[25]), 2);
            QImage img = QImage::fromData(bytes, "PNG");
            ASSERT_FALSE(img.isNull());
            EXPECT_EQ(QString("%1x%2").arg(img.width()).arg(img.height()).toStdString(), size);
            const QRgb want = qRgb(s.r, s.g, s.b);
            int wrong = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    wrong += img.pixel(x, y) != want;
            EXPECT_EQ(wrong, 0) << "code " << s.code << " at " << size;
        }
    std::remove(png.c_str());
    rmdir(dir);
}

TEST(RenderToolSolid, CodesOutsideTheTableDrawNothing)
{
    for (const char *code : {"25", "-1", "2147483647", "-2147483648"}) {
        std::string out;
        EXPECT_EQ(runRenderTool({"--mode", code, "--size", "4x4", "--list", "-"}, &out), 0);
        EXPECT_EQ(out, "");
        ASSERT_EQ(runRenderTool({"--mode", code, "--size", "4x4", "--png", "-"}, &out), 0);
        QImage img = QImage::fromData(QByteArray::fromStdString(out), "PNG");
        ASSERT_EQ(img.size(), QSize(4, 4));
        EXPECT_EQ(img.pixel(3, 3), qRgb(0, 0, 0));
    }
}

} // namespace
