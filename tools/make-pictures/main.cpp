// Draws every picture of the launcher's look into a folder, by default
// resources/images. The pictures are committed, so the build never runs this;
// run it again after changing a drawing:
//
//   build/normal/tools/make-pictures/make-pictures resources/images
//
// Everything is drawn from fixed seeds, so a run reproduces the committed files.

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>

namespace {

// The colours of the style sheet.
const QColor kBase(25, 25, 25);
const QColor kAccent(200, 214, 63);
const QColor kAccentDeep(186, 198, 72);
const QColor kBorder(71, 70, 70);
const QColor kCream(241, 232, 217);

const QString kFontDir = QStringLiteral("/usr/share/fonts/truetype/paratype/");

QColor mix(const QColor& a, const QColor& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t,
                            a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(std::clamp(alpha, 0.0, 1.0));
    return c;
}

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// PNG pictures are written unpremultiplied.
QImage finished(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

QFont font(const QString& family, double pixelSize, int weight = QFont::Normal)
{
    QFont f(family);
    f.setPixelSize(int(pixelSize));
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// ---------------------------------------------------------------- scenery

// A mountain ridge line by midpoint displacement: one height per column.
std::vector<double> ridge(int width, double amplitude, double roughness, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> random(-1.0, 1.0);
    int n = 1;
    while (n < width)
        n *= 2;
    std::vector<double> h(n + 1, 0.0);
    h[0] = random(gen) * amplitude * 0.4;
    h[n] = random(gen) * amplitude * 0.4;
    double amp = amplitude;
    for (int step = n; step > 1; step /= 2) {
        for (int i = step / 2; i < n; i += step)
            h[i] = (h[i - step / 2] + h[i + step / 2]) / 2 + random(gen) * amp;
        amp *= roughness;
    }
    std::vector<double> out(width);
    for (int x = 0; x < width; ++x) {
        const double pos = double(x) * n / std::max(1, width - 1);
        const int i = std::min(int(pos), n - 1);
        const double f = pos - i;
        out[x] = h[i] * (1 - f) + h[i + 1] * f;
    }
    return out;
}

struct Layer {
    double base;        // top of the ridge above the horizon, as a fraction of the height
    double amplitude;   // as a fraction of the height
    double roughness;
    unsigned seed;
    QColor color;
    std::function<double(double)> shape; // extra height by x in 0..1, fraction of the height
};

struct Scene {
    QSize size;
    double horizon;     // fraction of the height where the lake starts
    QPointF glow;       // centre of the sky glow, fractions
    double glowRadius;  // fraction of the width
    unsigned seed;
    bool trees;
};

void paintSky(QImage& image, const Scene& scene)
{
    const int w = image.width();
    const int h = image.height();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, h * scene.horizon);
    sky.setColorAt(0.0, QColor(9, 11, 13));
    sky.setColorAt(0.45, QColor(20, 25, 26));
    sky.setColorAt(0.80, QColor(44, 52, 38));
    sky.setColorAt(1.0, QColor(88, 98, 52));
    p.fillRect(image.rect(), sky);

    // A hazy glow low in the sky, in the accent colour, where the logo stands.
    const QPointF centre(w * scene.glow.x(), h * scene.glow.y());
    QRadialGradient glow(centre, w * scene.glowRadius);
    glow.setColorAt(0.0, withAlpha(mix(kAccent, kCream, 0.45), 0.38));
    glow.setColorAt(0.3, withAlpha(kAccent, 0.16));
    glow.setColorAt(0.6, withAlpha(kAccentDeep, 0.06));
    glow.setColorAt(1.0, withAlpha(kAccentDeep, 0.0));
    p.fillRect(image.rect(), glow);

    // A few faint stars in the upper sky.
    std::mt19937 gen(scene.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int stars = w * h / 3000;
    for (int i = 0; i < stars; ++i) {
        const QPointF at(unit(gen) * w, std::pow(unit(gen), 1.6) * h * scene.horizon * 0.7);
        const double bright = 0.15 + 0.5 * std::pow(unit(gen), 3.0);
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(kCream, bright));
        const double r = 0.4 + unit(gen) * 0.7;
        p.drawEllipse(at, r, r);
    }
}

void paintRidges(QImage& image, const Scene& scene, const std::vector<Layer>& layers)
{
    const int w = image.width();
    const int h = image.height();
    const double horizonY = h * scene.horizon;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    for (size_t li = 0; li < layers.size(); ++li) {
        const Layer& layer = layers[li];
        const std::vector<double> line = ridge(w, layer.amplitude * h, layer.roughness, layer.seed);
        QPainterPath path;
        path.moveTo(0, horizonY + 2);
        for (int x = 0; x < w; ++x) {
            double top = horizonY - layer.base * h - line[x];
            if (layer.shape)
                top -= layer.shape(double(x) / w) * h;
            path.lineTo(x, top);
        }
        path.lineTo(w, horizonY + 2);
        path.closeSubpath();

        // Lit from the glow above: a little lighter at the crest.
        const QRectF bounds = path.boundingRect();
        QLinearGradient fill(0, bounds.top(), 0, horizonY);
        fill.setColorAt(0.0, mix(layer.color, QColor(120, 130, 80), 0.10));
        fill.setColorAt(1.0, layer.color.darker(118));
        p.fillPath(path, fill);

        // Facets: slopes that face the glow catch its light, the others fall
        // into shadow, which gives the ridges their rocky relief.
        if (li < 3) {
            const double gx = w * scene.glow.x();
            std::vector<double> tops(w);
            for (int x = 0; x < w; ++x)
                tops[x] = horizonY - layer.base * h - line[x] - (layer.shape ? layer.shape(double(x) / w) * h : 0.0);
            const int reach = 9;
            for (int x = reach; x + reach < w; ++x) {
                const double slope = (tops[x + reach] - tops[x - reach]) / (2.0 * reach); // negative: rising to the right
                const double facing = (x < gx ? -slope : slope);
                const double depthPx = (horizonY - tops[x]) * 0.9;
                const double strength = std::clamp(std::abs(slope) / 1.8, 0.0, 1.0);
                QLinearGradient facet(0, tops[x], 0, tops[x] + depthPx);
                const QColor tone = facing > 0 ? QColor(190, 200, 150) : QColor(0, 0, 0);
                const double alpha = (facing > 0 ? 0.08 : 0.30) * strength * (li == 0 ? 1.0 : 0.7);
                facet.setColorAt(0.0, withAlpha(tone, alpha));
                facet.setColorAt(1.0, withAlpha(tone, 0.0));
                p.fillRect(QRectF(x, tops[x] + 0.5, 1, depthPx), facet);
            }
        }

        // Rim light on the crests of the far ridges, strongest near the glow.
        if (li < 2) {
            QPainterPath crest;
            for (int x = 0; x < w; ++x) {
                double top = horizonY - layer.base * h - line[x];
                if (layer.shape)
                    top -= layer.shape(double(x) / w) * h;
                if (x == 0)
                    crest.moveTo(x, top + 0.8);
                else
                    crest.lineTo(x, top + 0.8);
            }
            QRadialGradient rim(QPointF(w * scene.glow.x(), h * scene.glow.y()), w * 0.45);
            rim.setColorAt(0.0, withAlpha(mix(kAccent, kCream, 0.5), li == 0 ? 0.75 : 0.45));
            rim.setColorAt(1.0, withAlpha(kAccent, 0.0));
            p.strokePath(crest, QPen(QBrush(rim), 1.3));
        }

        // Mist rising in front of every ridge but the nearest.
        if (li + 1 < layers.size()) {
            const double mistTop = horizonY - (layer.base * 0.55) * h;
            QLinearGradient mist(0, mistTop, 0, horizonY);
            mist.setColorAt(0.0, withAlpha(QColor(150, 160, 120), 0.0));
            mist.setColorAt(1.0, withAlpha(QColor(150, 160, 120), 0.16));
            p.fillRect(QRectF(0, mistTop, w, horizonY - mistTop), mist);
        }
    }
}

// Dark pines on both ends of the shore, framing the middle.
void paintTrees(QImage& image, const Scene& scene)
{
    const int w = image.width();
    const int h = image.height();
    const double shore = h * scene.horizon + 1;
    std::mt19937 gen(scene.seed + 7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // A spruce: a thin trunk and drooping branch tiers that widen downwards.
    auto pine = [&](double x, double base, double height, const QColor& color) {
        const double width = height * (0.30 + unit(gen) * 0.10);
        QPainterPath tree;
        const int tiers = 9 + int(unit(gen) * 4);
        for (int t = 0; t < tiers; ++t) {
            const double f = double(t) / tiers;
            const double top = base - height + height * f * 0.88;
            const double drop = height * (0.10 + 0.06 * f);
            const double half = width * (0.08 + 0.92 * std::pow(f + 1.0 / tiers, 0.9)) / 2 * (0.85 + 0.3 * unit(gen));
            QPainterPath tier;
            tier.moveTo(x, top);
            tier.quadTo(x + half * 0.45, top + drop * 0.55, x + half, top + drop);
            tier.lineTo(x + half * 0.55, top + drop * 0.82);
            tier.lineTo(x - half * 0.55, top + drop * 0.82);
            tier.lineTo(x - half, top + drop);
            tier.quadTo(x - half * 0.45, top + drop * 0.55, x, top);
            tree.addPath(tier);
        }
        tree.addRect(QRectF(x - height * 0.012, base - height * 0.2, height * 0.024, height * 0.2));
        p.setBrush(color);
        p.drawPath(tree);
    };

    // The shore bank under the forest.
    auto bank = [&](double from, double to, double rise) {
        QPainterPath path;
        path.moveTo(w * from, shore + 1);
        for (int i = 0; i <= 40; ++i) {
            const double t = double(i) / 40;
            const double x = w * (from + (to - from) * t);
            const double edge = from == 0.0 ? 1.0 - t : t;
            path.lineTo(x, shore - rise * h * std::pow(edge, 1.5) - unit(gen) * 1.5);
        }
        path.lineTo(w * to, shore + 1);
        path.closeSubpath();
        p.setBrush(QColor(9, 11, 10));
        p.drawPath(path);
    };
    bank(0.0, 0.26, 0.025);
    bank(0.72, 1.0, 0.03);

    const struct { double from, to; } bands[] = {{0.0, 0.24}, {0.74, 1.0}};
    for (const auto& band : bands) {
        for (int row = 0; row < 3; ++row) {
            const QColor color = row == 0 ? QColor(24, 29, 25) : row == 1 ? QColor(15, 18, 16) : QColor(7, 8, 8);
            const int count = int(w * (band.to - band.from) / (row == 0 ? 7.0 : row == 1 ? 10.0 : 16.0));
            for (int i = 0; i < count; ++i) {
                const double x = w * (band.from + (band.to - band.from) * unit(gen));
                // Taller towards the picture's edge.
                const double edge = band.from == 0.0 ? 1.0 - x / (w * band.to)
                                                     : (x - w * band.from) / (w * (1.0 - band.from));
                const double scale = row == 0 ? 0.55 : row == 1 ? 0.8 : 1.1;
                const double height = h * (0.025 + 0.13 * std::pow(edge, 1.6) + 0.025 * unit(gen)) * scale;
                pine(x, shore + 1 - row * 0.8, height, color);
            }
        }
    }
}

// The lake below the horizon mirrors the sky and the hills, rippled and darkened.
void paintLake(QImage& image, const Scene& scene)
{
    const int w = image.width();
    const int h = image.height();
    const int horizonY = int(h * scene.horizon);
    const QImage above = image.copy();
    for (int y = horizonY; y < h; ++y) {
        const double depth = double(y - horizonY) / std::max(1, h - horizonY);
        const int mirrored = std::clamp(horizonY - 1 - (y - horizonY), 0, h - 1);
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double wobble = std::sin(y * 0.55 + std::sin(x * 0.013 + y * 0.05) * 2.0) * (0.6 + depth * 4.0);
            const int sx = std::clamp(int(x + wobble), 0, w - 1);
            const QColor c = QColor::fromRgb(above.pixel(sx, mirrored));
            const double dim = 0.55 - 0.40 * depth;
            QColor water = mix(QColor(8, 10, 11), c, dim);
            out[x] = water.rgb();
        }
    }

    // Glints of the glow on the water.
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    std::mt19937 gen(scene.seed + 3);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double cx = w * scene.glow.x();
    for (int i = 0; i < 70; ++i) {
        const double depth = std::pow(unit(gen), 1.4);
        const double y = horizonY + 3 + depth * (h - horizonY) * 0.6;
        const double spread = w * (0.05 + 0.12 * depth);
        const double x = cx + (unit(gen) - 0.5) * 2 * spread;
        const double len = 6 + unit(gen) * 30 * (1 - depth * 0.5);
        p.setPen(QPen(withAlpha(mix(kAccent, kCream, 0.4), 0.10 + 0.25 * (1 - depth) * unit(gen)), 1.0));
        p.drawLine(QPointF(x - len / 2, y), QPointF(x + len / 2, y));
    }
}

void paintFireflies(QImage& image, const Scene& scene, int count)
{
    const int w = image.width();
    const int h = image.height();
    std::mt19937 gen(scene.seed + 11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF at(unit(gen) * w, h * (scene.horizon - 0.02 + unit(gen) * 0.22));
        const double r = 2.5 + unit(gen) * 4.0;
        QRadialGradient g(at, r);
        const double a = 0.25 + 0.5 * unit(gen);
        g.setColorAt(0.0, withAlpha(mix(kAccent, kCream, 0.5), a));
        g.setColorAt(0.3, withAlpha(kAccent, a * 0.5));
        g.setColorAt(1.0, withAlpha(kAccent, 0.0));
        p.setBrush(g);
        p.drawEllipse(at, r, r);
    }
}

void paintVignette(QImage& image, double strength)
{
    const int w = image.width();
    const int h = image.height();
    QPainter p(&image);
    QRadialGradient v(QPointF(w / 2.0, h * 0.45), std::hypot(w, h) * 0.58);
    v.setColorAt(0.0, withAlpha(Qt::black, 0.0));
    v.setColorAt(0.6, withAlpha(Qt::black, 0.12 * strength));
    v.setColorAt(1.0, withAlpha(Qt::black, 0.75 * strength));
    p.fillRect(image.rect(), v);
}

// A touch of grain keeps the long gradients from banding in the JPEG.
void addGrain(QImage& image, unsigned seed, int amount)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> noise(-amount, amount);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = noise(gen);
            line[x] = qRgb(std::clamp(qRed(line[x]) + n, 0, 255),
                           std::clamp(qGreen(line[x]) + n, 0, 255),
                           std::clamp(qBlue(line[x]) + n, 0, 255));
        }
    }
}

std::vector<Layer> hills(unsigned seed)
{
    // Peaks as sharp-topped bumps, so the ridges read as mountains, not dunes.
    auto peaks = [](std::vector<std::array<double, 3>> list) {
        return [list](double x) {
            double top = 0;
            for (const auto& peak : list) {
                const double d = std::abs(x - peak[0]) / peak[1];
                top = std::max(top, peak[2] * std::exp(-d * 1.6) * (1.0 / (1.0 + d * d * 0.4)));
            }
            return top;
        };
    };
    return {
        {0.09, 0.11, 0.63, seed + 1, QColor(44, 51, 51),
         peaks({{0.08, 0.10, 0.13}, {0.30, 0.07, 0.10}, {0.68, 0.09, 0.22}, {0.80, 0.06, 0.16}, {0.97, 0.08, 0.12}})},
        {0.05, 0.08, 0.62, seed + 2, QColor(37, 44, 41),
         peaks({{0.18, 0.09, 0.14}, {0.42, 0.06, 0.06}, {0.90, 0.08, 0.11}})},
        {0.025, 0.045, 0.58, seed + 3, QColor(24, 29, 27), peaks({{0.02, 0.10, 0.06}, {0.60, 0.12, 0.03}})},
        {0.012, 0.015, 0.50, seed + 4, QColor(16, 19, 17), nullptr},
    };
}

QImage scene(const Scene& s, int fireflies)
{
    QImage image(s.size, QImage::Format_RGB32);
    paintSky(image, s);
    paintRidges(image, s, hills(s.seed));
    if (s.trees)
        paintTrees(image, s);
    paintLake(image, s);
    paintFireflies(image, s, fireflies);
    paintVignette(image, 1.0);
    return image;
}

// ---------------------------------------------------------------- emblem and logo

// A quill feather from its nib at `tip` along `angle` (degrees, 0 = up), `length` long.
QPainterPath quill(QPointF tip, double length, double angle)
{
    QPainterPath feather;
    const double L = length;
    // Drawn pointing up with the nib at the origin, then rotated into place.
    feather.moveTo(0, 0);
    feather.cubicTo(L * 0.06, -L * 0.22, L * 0.17, -L * 0.46, L * 0.11, -L * 0.80);
    feather.cubicTo(L * 0.08, -L * 0.91, L * 0.03, -L * 0.97, 0, -L);
    feather.cubicTo(-L * 0.07, -L * 0.88, -L * 0.15, -L * 0.64, -L * 0.12, -L * 0.40);
    // Two notches in the vane, as a real feather has.
    feather.lineTo(-L * 0.06, -L * 0.43);
    feather.lineTo(-L * 0.10, -L * 0.30);
    feather.lineTo(-L * 0.05, -L * 0.31);
    feather.cubicTo(-L * 0.05, -L * 0.18, -L * 0.02, -L * 0.08, 0, 0);
    feather.closeSubpath();

    QTransform t;
    t.translate(tip.x(), tip.y());
    t.rotate(angle);
    return t.map(feather);
}

QPainterPath quillShaft(QPointF tip, double length, double angle)
{
    QPainterPath shaft;
    shaft.moveTo(0, 0);
    shaft.cubicTo(length * 0.02, -length * 0.4, length * 0.03, -length * 0.7, 0, -length * 0.97);
    QTransform t;
    t.translate(tip.x(), tip.y());
    t.rotate(angle);
    return t.map(shaft);
}

QLinearGradient silver(double top, double bottom)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0.0, QColor(252, 250, 244));
    g.setColorAt(0.48, QColor(214, 212, 204));
    g.setColorAt(0.52, QColor(176, 176, 168));
    g.setColorAt(1.0, QColor(226, 224, 214));
    return g;
}

// The round emblem: a ring, the quill over the still water, and the numeral.
void paintEmblem(QPainter& p, QPointF centre, double radius, bool withNumeral)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    // Soft dark disc, so the emblem reads on any backdrop.
    const double shadeRadius = radius * 1.1;
    QRadialGradient shade(centre, shadeRadius);
    shade.setColorAt(0.0, withAlpha(Qt::black, 0.55));
    shade.setColorAt(0.85, withAlpha(Qt::black, 0.35));
    shade.setColorAt(1.0, withAlpha(Qt::black, 0.0));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(centre, shadeRadius, shadeRadius);

    // Outer ring in the accent colour, inner hairline in silver.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(withAlpha(kAccent, 0.35), radius * 0.09));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(kAccent, radius * 0.035));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(withAlpha(QColor(230, 228, 220), 0.65), 1.0));
    p.drawEllipse(centre, radius * 0.88, radius * 0.88);

    // Water lines across the lower part of the disc.
    QPainterPath clip;
    clip.addEllipse(centre, radius * 0.86, radius * 0.86);
    p.setClipPath(clip);
    for (int i = 0; i < 3; ++i) {
        const double y = centre.y() + radius * (0.42 + i * 0.14);
        QPainterPath wave;
        wave.moveTo(centre.x() - radius, y);
        for (int k = 0; k <= 8; ++k) {
            const double x = centre.x() - radius + k * radius / 4;
            wave.quadTo(x + radius / 8, y + ((k % 2) ? 3 : -3) * radius / 80, x + radius / 4, y);
        }
        p.setPen(QPen(withAlpha(kAccent, 0.75 - i * 0.2), radius * 0.03, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(wave);
    }
    p.setClipping(false);

    // The quill, leaning right, its nib on the water.
    const QPointF nib(centre.x() - radius * 0.18, centre.y() + radius * 0.46);
    const double length = radius * 1.55;
    const double angle = 34;
    const QPainterPath feather = quill(nib, length, angle);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(Qt::black, 0.5));
    p.drawPath(feather.translated(2, 2));
    const QRectF fb = feather.boundingRect();
    QLinearGradient featherFill(fb.topRight(), fb.bottomLeft());
    featherFill.setColorAt(0.0, QColor(250, 248, 240));
    featherFill.setColorAt(0.6, QColor(205, 204, 196));
    featherFill.setColorAt(1.0, QColor(150, 152, 142));
    p.setBrush(featherFill);
    p.drawPath(feather);
    // Barbs: fine strokes from the shaft out to the vane's edge.
    p.save();
    p.setClipPath(feather);
    QTransform along;
    along.translate(nib.x(), nib.y());
    along.rotate(angle);
    p.setPen(QPen(withAlpha(QColor(70, 72, 66), 0.55), std::max(0.6, radius * 0.008)));
    for (int i = 0; i < 26; ++i) {
        const double y = -length * (0.22 + 0.76 * i / 26.0);
        p.drawLine(along.map(QLineF(0, y, length * 0.25, y - length * 0.16)));
        p.drawLine(along.map(QLineF(0, y, -length * 0.25, y - length * 0.13)));
    }
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(90, 92, 84), radius * 0.018, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(quillShaft(nib, length, angle));

    if (withNumeral) {
        // The numeral on the left of the quill.
        const QFont numeralFont = font(QStringLiteral("PT Sans"), radius * 1.05, QFont::Bold);
        QPainterPath numeral;
        numeral.addText(0, 0, numeralFont, QStringLiteral("4"));
        const QRectF nb = numeral.boundingRect();
        numeral.translate(centre.x() - radius * 0.20 - nb.right(), centre.y() + radius * 0.30 - nb.bottom());
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(Qt::black, 0.55));
        p.drawPath(numeral.translated(2, 2));
        QLinearGradient numeralFill(0, numeral.boundingRect().top(), 0, numeral.boundingRect().bottom());
        numeralFill.setColorAt(0.0, mix(kAccent, Qt::white, 0.45));
        numeralFill.setColorAt(0.5, kAccent);
        numeralFill.setColorAt(1.0, kAccentDeep.darker(125));
        p.setBrush(numeralFill);
        p.drawPath(numeral);
    }
    p.restore();
}

// "QUILLMERE" spread over `width`, its baseline at `baseline`.
void paintWordmark(QPainter& p, double centreX, double baseline, double width, double pixelSize)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = font(QStringLiteral("PT Sans Narrow"), pixelSize, QFont::Bold);
    QPainterPath text;
    const QString word = QStringLiteral("QUILLMERE");
    // Lay the letters out by hand so the spacing fills the width exactly.
    std::vector<QPainterPath> letters;
    double inked = 0;
    for (const QChar c : word) {
        QPainterPath letter;
        letter.addText(0, 0, f, QString(c));
        inked += letter.boundingRect().width();
        letters.push_back(letter);
    }
    const double gap = (width - inked) / (word.size() - 1);
    double x = centreX - width / 2;
    for (QPainterPath& letter : letters) {
        const QRectF b = letter.boundingRect();
        text.addPath(letter.translated(x - b.left(), baseline));
        x += b.width() + gap;
    }
    const QRectF tb = text.boundingRect();
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(Qt::black, 0.6));
    p.drawPath(text.translated(0, 2));
    p.setBrush(silver(tb.top(), tb.bottom()));
    p.drawPath(text);
    p.restore();
}

// A thin accent rule with a diamond in its middle.
void paintRule(QPainter& p, double centreX, double y, double width)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient line(centreX - width / 2, 0, centreX + width / 2, 0);
    line.setColorAt(0.0, withAlpha(kAccent, 0.0));
    line.setColorAt(0.5, kAccent);
    line.setColorAt(1.0, withAlpha(kAccent, 0.0));
    p.setPen(QPen(QBrush(line), 1.2));
    p.drawLine(QPointF(centreX - width / 2, y), QPointF(centreX - 9, y));
    p.drawLine(QPointF(centreX + 9, y), QPointF(centreX + width / 2, y));
    QPolygonF diamond({QPointF(centreX, y - 4.5), QPointF(centreX + 4.5, y), QPointF(centreX, y + 4.5), QPointF(centreX - 4.5, y)});
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawPolygon(diamond);
    p.restore();
}

QImage logo()
{
    QImage image = transparentImage(239, 262);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintEmblem(p, QPointF(119.5, 92), 80, true);
    paintWordmark(p, 119.5, 236, 226, 46);
    paintRule(p, 119.5, 254, 210);
    p.end();
    return finished(image);
}

// The launcher's icon: the emblem alone, filling the square.
QImage icon()
{
    QImage image = transparentImage(256, 256);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintEmblem(p, QPointF(128, 128), 112, true);
    p.end();
    return finished(image);
}

// ---------------------------------------------------------------- header

QImage header()
{
    const int w = 1184;
    const int h = 97;
    QImage image = transparentImage(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A brushed plate, dark at the top and lit towards the bottom edge where
    // the tabs sit (their idle text is near black, their active text white).
    QLinearGradient plate(0, 0, 0, h);
    plate.setColorAt(0.0, QColor(30, 32, 30, 235));
    plate.setColorAt(0.45, QColor(70, 74, 66, 245));
    plate.setColorAt(0.92, QColor(118, 123, 106));
    plate.setColorAt(1.0, QColor(104, 109, 94));
    p.fillRect(QRect(0, 0, w, h - 3), plate);

    // Fine horizontal brushing.
    std::mt19937 gen(97);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 900; ++i) {
        const double y = unit(gen) * (h - 4);
        const double x = unit(gen) * w;
        const double len = 40 + unit(gen) * 260;
        const bool light = unit(gen) < 0.5;
        p.setPen(QPen(light ? QColor(255, 255, 255, 6) : QColor(0, 0, 0, 9), 1.0));
        p.drawLine(QPointF(x, y), QPointF(x + len, y));
    }

    // A wide soft highlight behind the tabs on the left and the links on the right.
    for (const double cx : {0.12, 0.9}) {
        QRadialGradient spot(QPointF(w * cx, h * 0.85), w * 0.22);
        spot.setColorAt(0.0, QColor(255, 255, 240, 26));
        spot.setColorAt(1.0, QColor(255, 255, 240, 0));
        p.fillRect(QRect(0, 0, w, h - 3), spot);
    }

    // Bevel: a light line under the top of the lit part, a dark edge below.
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    p.drawLine(QPointF(0, h - 4.5), QPointF(w, h - 4.5));
    p.fillRect(QRect(0, h - 3, w, 3), QColor(14, 15, 14));
    QLinearGradient accent(0, 0, w, 0);
    accent.setColorAt(0.0, withAlpha(kAccentDeep, 0.0));
    accent.setColorAt(0.25, withAlpha(kAccentDeep, 0.55));
    accent.setColorAt(0.75, withAlpha(kAccentDeep, 0.55));
    accent.setColorAt(1.0, withAlpha(kAccentDeep, 0.0));
    p.fillRect(QRect(0, h - 1, w, 1), accent);

    p.end();
    return finished(image);
}

// ---------------------------------------------------------------- small buttons

using Glyph = std::function<void(QPainter&, const QColor&)>;

// A round link button: a dark disc with a light glyph, or lit in the accent
// colour with a dark glyph while hovered or pressed.
QImage roundButton(const Glyph& glyph, bool hover)
{
    QImage image = transparentImage(22, 22);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(hover ? Qt::NoPen : QPen(QColor(255, 255, 255, 60), 1.0));
    p.setBrush(hover ? kAccent : QColor(20, 21, 20, 200));
    p.drawEllipse(QRectF(0.5, 0.5, 21, 21));
    glyph(p, hover ? kBase : QColor(226, 226, 218));
    p.end();
    return finished(image);
}

void textGlyph(QPainter& p, const QColor& color, const QString& text, double size, double dx = 0)
{
    QPainterPath path;
    path.addText(0, 0, font(QStringLiteral("PT Sans"), size, QFont::Bold), text);
    const QRectF b = path.boundingRect();
    path.translate(11 - b.center().x() + dx, 11 - b.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
}

void facebookGlyph(QPainter& p, const QColor& c)
{
    textGlyph(p, c, QStringLiteral("f"), 15, 0.5);
}

void youtubeGlyph(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(4.5, 6.5, 13, 9), 2.6, 2.6);
    QPainterPath play;
    play.addPolygon(QPolygonF({QPointF(9.6, 8.6), QPointF(13.6, 11), QPointF(9.6, 13.4)}));
    play.closeSubpath();
    p.drawPath(frame.subtracted(play));
}

void homeGlyph(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath house;
    house.addPolygon(QPolygonF({QPointF(11, 4.8), QPointF(17.2, 10.6), QPointF(15.4, 10.6), QPointF(15.4, 16.4),
                                QPointF(6.6, 16.4), QPointF(6.6, 10.6), QPointF(4.8, 10.6)}));
    house.closeSubpath();
    QPainterPath door;
    door.addRect(QRectF(9.7, 12.2, 2.6, 4.3));
    p.drawPath(house.subtracted(door));
}

void twitterGlyph(QPainter& p, const QColor& c)
{
    // A small songbird in flight.
    QPainterPath bird;
    bird.moveTo(4.6, 13.0);
    bird.cubicTo(7.0, 14.6, 10.6, 14.2, 12.6, 12.4);
    bird.cubicTo(14.6, 10.6, 15.2, 8.8, 15.0, 7.6);
    bird.lineTo(17.2, 6.6);
    bird.lineTo(15.4, 6.2);
    bird.cubicTo(14.6, 5.0, 12.4, 4.9, 11.6, 6.4);
    bird.cubicTo(11.0, 7.4, 11.2, 8.4, 11.4, 9.0);
    bird.cubicTo(9.0, 9.0, 7.2, 7.8, 5.6, 6.0);
    bird.cubicTo(5.0, 7.8, 5.8, 9.4, 7.0, 10.2);
    bird.cubicTo(6.2, 10.4, 5.6, 10.2, 5.2, 10.0);
    bird.cubicTo(5.4, 11.4, 6.4, 12.2, 7.4, 12.6);
    bird.cubicTo(6.4, 13.0, 5.6, 13.1, 4.6, 13.0);
    bird.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(bird.translated(0, 1.2));
}

void vkGlyph(QPainter& p, const QColor& c)
{
    textGlyph(p, c, QStringLiteral("vk"), 11);
}

void okGlyph(QPainter& p, const QColor& c)
{
    textGlyph(p, c, QStringLiteral("ok"), 11);
}

void gearGlyph(QPainter& p, const QColor& c)
{
    const QPointF centre(11, 11);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double r = (i % 2 == 0) ? 7.4 : 5.6;
        const double a0 = (i - 0.5) * M_PI / teeth;
        const double a1 = (i + 0.5) * M_PI / teeth;
        const QPointF p0 = centre + QPointF(std::cos(a0), std::sin(a0)) * r;
        const QPointF p1 = centre + QPointF(std::cos(a1), std::sin(a1)) * r;
        if (i == 0)
            gear.moveTo(p0);
        else
            gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(centre, 2.4, 2.4);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(gear.subtracted(hole));
}

// The close and fold buttons: a bare glyph, light grey, white on an accent
// square while hovered or pressed.
QImage systemButton(bool close, bool hover)
{
    QImage image = transparentImage(18, 18);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(0, 0, 18, 18), 2, 2);
    }
    const QColor ink = hover ? kBase : QColor(190, 190, 184);
    p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
    if (close) {
        p.drawLine(QPointF(5, 5), QPointF(13, 13));
        p.drawLine(QPointF(13, 5), QPointF(5, 13));
    } else {
        p.drawLine(QPointF(5, 12.5), QPointF(13, 12.5));
    }
    p.end();
    return finished(image);
}

QImage checkBox(bool checked, bool hover)
{
    QImage image = transparentImage(14, 14);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (checked) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(0, 0, 14, 14), 2, 2);
        p.setPen(QPen(kBase, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(3.3, 7.2), QPointF(5.9, 9.9), QPointF(10.8, 4.2)}));
    } else {
        p.setPen(QPen(hover ? kAccent : QColor(150, 150, 146), 1.0));
        p.setBrush(QColor(16, 16, 16));
        p.drawRoundedRect(QRectF(0.5, 0.5, 13, 13), 2, 2);
        if (hover) {
            p.setPen(Qt::NoPen);
            p.setBrush(withAlpha(kAccent, 0.25));
            p.drawRoundedRect(QRectF(3, 3, 8, 8), 1, 1);
        }
    }
    p.end();
    return finished(image);
}

// ---------------------------------------------------------------- dialog side pictures

// A tall view of the lake with the emblem and the name, fading into the
// dialog's own background at the bottom.
QImage sidePicture(int height, unsigned seed)
{
    const int w = 218;
    // A slice of a wider view, so the hills keep the proportions of the main window's.
    const int wide = 760;
    Scene s{QSize(wide, height), 0.64, QPointF(0.22, 0.52), 0.5, seed, true};
    QImage image = scene(s, 20).copy(60, 0, w, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient fade(0, height * 0.74, 0, height);
    fade.setColorAt(0.0, withAlpha(kBase, 0.0));
    fade.setColorAt(1.0, kBase);
    p.fillRect(QRect(0, 0, w, height), fade);
    QLinearGradient top(0, 0, 0, height * 0.25);
    top.setColorAt(0.0, withAlpha(kBase, 0.9));
    top.setColorAt(1.0, withAlpha(kBase, 0.0));
    p.fillRect(QRect(0, 0, w, height), top);

    const double emblemY = height * 0.18;
    paintEmblem(p, QPointF(w / 2.0, emblemY), 46, true);
    paintWordmark(p, w / 2.0, emblemY + 46 + 44, 170, 32);
    paintRule(p, w / 2.0, emblemY + 46 + 60, 150);
    p.end();
    addGrain(image, seed, 2);
    return image;
}

// ---------------------------------------------------------------- output

bool save(const QImage& image, const QDir& dir, const QString& name, const char* format)
{
    const QString path = dir.filePath(name);
    const bool jpeg = qstrcmp(format, "JPG") == 0;
    if (!image.save(path, format, jpeg ? 92 : -1)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << " " << image.width() << "x" << image.height() << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (const char* file : {"PTS55F.ttf", "PTS75F.ttf", "PTN57F.ttf", "PTN77F.ttf"})
        QFontDatabase::addApplicationFont(kFontDir + QLatin1String(file));

    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/images"));
    if (!QDir().mkpath(dir.path())) {
        QTextStream(stderr) << "cannot create " << dir.path() << "\n";
        return 1;
    }

    bool ok = true;
    Scene main{QSize(1184, 720), 0.74, QPointF(0.5, 0.50), 0.42, 4, true};
    QImage splash = scene(main, 26);
    addGrain(splash, 4, 2);
    ok &= save(splash, dir, QStringLiteral("splash.jpg"), "JPG");
    ok &= save(logo(), dir, QStringLiteral("logo_en.png"), "PNG");
    ok &= save(header(), dir, QStringLiteral("header_bgrd.png"), "PNG");
    ok &= save(icon(), dir, QStringLiteral("icon.png"), "PNG");

    const struct { const char* name; Glyph glyph; } links[] = {
        {"settings", gearGlyph},
        {"social_fb", facebookGlyph},
        {"social_yt", youtubeGlyph},
        {"social_home", homeGlyph},
        {"social_tw", twitterGlyph},
        {"social_vk", vkGlyph},
        {"social_ok", okGlyph},
    };
    for (const auto& link : links) {
        ok &= save(roundButton(link.glyph, false), dir, QLatin1String(link.name) + QStringLiteral("_n.png"), "PNG");
        ok &= save(roundButton(link.glyph, true), dir, QLatin1String(link.name) + QStringLiteral("_h.png"), "PNG");
    }
    ok &= save(systemButton(true, false), dir, QStringLiteral("close_btn_n.png"), "PNG");
    ok &= save(systemButton(true, true), dir, QStringLiteral("close_btn_h.png"), "PNG");
    ok &= save(systemButton(false, false), dir, QStringLiteral("fold_btn_n.png"), "PNG");
    ok &= save(systemButton(false, true), dir, QStringLiteral("fold_btn_h.png"), "PNG");
    ok &= save(checkBox(true, false), dir, QStringLiteral("cb_check.png"), "PNG");
    ok &= save(checkBox(false, false), dir, QStringLiteral("cb_uncheck.png"), "PNG");
    ok &= save(checkBox(false, true), dir, QStringLiteral("cb_hover.png"), "PNG");
    ok &= save(sidePicture(633, 21), dir, QStringLiteral("wizard_side_bgrd_en.jpg"), "JPG");
    ok &= save(sidePicture(450, 22), dir, QStringLiteral("wizard_side_small_bgrd_en.jpg"), "JPG");
    return ok ? 0 : 1;
}
