// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FontRepair.h"

#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace vatrel {

namespace {

struct Table {
    quint32 tag = 0;
    QByteArray data;
};

constexpr quint32 tag(const char (&t)[5]) {
    return quint32(quint8(t[0])) << 24 | quint32(quint8(t[1])) << 16 | quint32(quint8(t[2])) << 8 |
           quint32(quint8(t[3]));
}

quint16 u16(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint16>(reinterpret_cast<const uchar*>(b.constData() + at));
}
quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(b.constData() + at));
}
void put16(QByteArray& b, quint16 v) { b.append(char(v >> 8)).append(char(v & 0xFF)); }
void put32(QByteArray& b, quint32 v) {
    put16(b, quint16(v >> 16));
    put16(b, quint16(v & 0xFFFF));
}
void set16(QByteArray& b, qsizetype at, quint16 v) {
    b[at] = char(v >> 8);
    b[at + 1] = char(v & 0xFF);
}
void set32(QByteArray& b, qsizetype at, quint32 v) {
    set16(b, at, quint16(v >> 16));
    set16(b, at + 2, quint16(v & 0xFFFF));
}

quint32 checksum(const QByteArray& b) {
    quint32 sum = 0;
    QByteArray padded = b;
    padded.append(QByteArray((4 - padded.size() % 4) % 4, '\0'));
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += u32(padded, i);
    return sum;
}

struct Point {
    qint32 x = 0, y = 0;
    bool onCurve = false;
};

// A simple glyph's points and the last point of each contour; nothing when the glyph is cut short.
std::optional<std::pair<std::vector<Point>, std::vector<int>>> decodeSimple(const QByteArray& g) {
    const int contours = qint16(u16(g, 0));
    qsizetype at = 10;
    if (g.size() < at + 2 * contours + 2) return std::nullopt;
    std::vector<int> ends;
    for (int i = 0; i < contours; ++i, at += 2)
        ends.push_back(u16(g, at));
    const int count = ends.empty() ? 0 : ends.back() + 1;
    for (size_t i = 1; i < ends.size(); ++i)
        if (ends[i] < ends[i - 1]) return std::nullopt;
    at += 2 + u16(g, at); // instructions
    std::vector<quint8> flags;
    while (int(flags.size()) < count) {
        if (at >= g.size()) return std::nullopt;
        const quint8 f = quint8(g[at++]);
        flags.push_back(f);
        if (f & 0x08) {
            if (at >= g.size()) return std::nullopt;
            for (int n = quint8(g[at++]); n > 0 && int(flags.size()) < count; --n)
                flags.push_back(f);
        }
    }
    std::vector<Point> points(static_cast<size_t>(count));
    for (int axis = 0; axis < 2; ++axis) {
        const quint8 shortBit = axis == 0 ? 0x02 : 0x04;
        const quint8 sameBit = axis == 0 ? 0x10 : 0x20;
        qint32 v = 0;
        for (int i = 0; i < count; ++i) {
            const quint8 f = flags[size_t(i)];
            if (f & shortBit) {
                if (at + 1 > g.size()) return std::nullopt;
                const int d = quint8(g[at++]);
                v += (f & sameBit) ? d : -d;
            } else if (!(f & sameBit)) {
                if (at + 2 > g.size()) return std::nullopt;
                v += qint16(u16(g, at));
                at += 2;
            }
            (axis == 0 ? points[size_t(i)].x : points[size_t(i)].y) = v;
            points[size_t(i)].onCurve = f & 0x01;
        }
    }
    return std::make_pair(std::move(points), std::move(ends));
}

// Twice the signed area of a contour's polygon (its control points): positive counterclockwise.
qint64 area(const std::vector<Point>& p, int from, int to) {
    qint64 a = 0;
    for (int i = from; i <= to; ++i) {
        const Point& q = p[size_t(i == to ? from : i + 1)];
        a += qint64(p[size_t(i)].x) * q.y - qint64(q.x) * p[size_t(i)].y;
    }
    return a;
}

bool inside(const std::vector<Point>& p, int from, int to, const Point& t) {
    bool in = false;
    for (int i = from, j = to; i <= to; j = i++) {
        const Point& a = p[size_t(i)];
        const Point& b = p[size_t(j)];
        if ((a.y > t.y) != (b.y > t.y) &&
            double(t.x) < double(b.x - a.x) * double(t.y - a.y) / double(b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

// The glyph with its stray contours turned round, or an empty array when every contour runs right.
QByteArray reorient(const QByteArray& g) {
    if (g.size() < 10 || qint16(u16(g, 0)) < 2) return {};
    auto decoded = decodeSimple(g);
    if (!decoded) return {};
    auto& [points, ends] = *decoded;
    const int n = int(ends.size());
    std::vector<int> from(static_cast<size_t>(n));
    std::vector<qint64> areas(static_cast<size_t>(n));
    std::vector<int> depth(static_cast<size_t>(n), 0);
    for (int c = 0; c < n; ++c) {
        from[size_t(c)] = c == 0 ? 0 : ends[size_t(c - 1)] + 1;
        areas[size_t(c)] = area(points, from[size_t(c)], ends[size_t(c)]);
    }
    for (int c = 0; c < n; ++c)
        for (int o = 0; o < n; ++o)
            if (o != c && std::llabs(areas[size_t(o)]) > std::llabs(areas[size_t(c)]) &&
                inside(points, from[size_t(o)], ends[size_t(o)], points[size_t(from[size_t(c)])]))
                ++depth[size_t(c)];
    // The way of the largest outer contour is the glyph's way.
    int main = -1;
    for (int c = 0; c < n; ++c)
        if (depth[size_t(c)] % 2 == 0 &&
            (main < 0 || std::llabs(areas[size_t(c)]) > std::llabs(areas[size_t(main)])))
            main = c;
    if (main < 0 || areas[size_t(main)] == 0) return {};
    const bool way = areas[size_t(main)] > 0;
    bool changed = false;
    for (int c = 0; c < n; ++c) {
        if (areas[size_t(c)] == 0) continue;
        const bool wanted = depth[size_t(c)] % 2 == 0 ? way : !way;
        if ((areas[size_t(c)] > 0) == wanted) continue;
        std::reverse(points.begin() + from[size_t(c)] + 1, points.begin() + ends[size_t(c)] + 1);
        changed = true;
    }
    if (!changed) return {};
    // Header and contour ends as they were, no instructions, then every point in full.
    QByteArray out = g.left(10 + 2 * n);
    put16(out, 0);
    for (const Point& p : points)
        out.append(char(p.onCurve ? 0x01 : 0x00));
    for (int axis = 0; axis < 2; ++axis) {
        qint32 last = 0;
        for (const Point& p : points) {
            const qint32 v = axis == 0 ? p.x : p.y;
            put16(out, quint16(qint16(v - last)));
            last = v;
        }
    }
    return out;
}

// Offset of the table `t` in the font's directory, or -1.
qsizetype tableAt(const QByteArray& font, quint32 t, quint32* length = nullptr) {
    if (font.size() < 12) return -1;
    const int count = u16(font, 4);
    for (int i = 0; i < count && 12 + 16 * i + 16 <= font.size(); ++i) {
        const qsizetype e = 12 + 16 * i;
        if (u32(font, e) != t) continue;
        const quint32 offset = u32(font, e + 8), size = u32(font, e + 12);
        if (qsizetype(offset) + qsizetype(size) > font.size()) return -1;
        if (length) *length = size;
        return qsizetype(offset);
    }
    return -1;
}

} // namespace

QByteArray withConsistentContours(const QByteArray& font) {
    if (font.size() < 12 || u32(font, 0) != 0x00010000) return {};
    const int tableCount = u16(font, 4);
    if (font.size() < 12 + 16 * tableCount) return {};
    std::vector<Table> tables;
    int head = -1, loca = -1, glyf = -1, maxp = -1;
    for (int i = 0; i < tableCount; ++i) {
        const qsizetype at = 12 + 16 * i;
        const quint32 offset = u32(font, at + 8), length = u32(font, at + 12);
        if (qsizetype(offset) + qsizetype(length) > font.size()) return {};
        tables.push_back({u32(font, at), font.mid(offset, length)});
        const quint32 t = tables.back().tag;
        if (t == tag("head")) head = i;
        if (t == tag("loca")) loca = i;
        if (t == tag("glyf")) glyf = i;
        if (t == tag("maxp")) maxp = i;
    }
    if (head < 0 || loca < 0 || glyf < 0 || maxp < 0) return {};
    QByteArray& headData = tables[size_t(head)].data;
    const QByteArray& locaData = tables[size_t(loca)].data;
    const QByteArray& glyfData = tables[size_t(glyf)].data;
    if (headData.size() < 54 || tables[size_t(maxp)].data.size() < 6) return {};
    const bool longOffsets = u16(headData, 50) == 1;
    const int glyphs = u16(tables[size_t(maxp)].data, 4);
    if (locaData.size() < (glyphs + 1) * (longOffsets ? 4 : 2)) return {};
    const auto offset = [&](int i) -> quint32 {
        return longOffsets ? u32(locaData, 4 * i) : 2u * u16(locaData, 2 * i);
    };

    QByteArray newGlyf, newLoca;
    for (int i = 0; i < glyphs; ++i) {
        put32(newLoca, quint32(newGlyf.size()));
        const quint32 from = offset(i), to = offset(i + 1);
        if (to < from || qsizetype(to) > glyfData.size()) return {};
        const QByteArray g = glyfData.mid(from, to - from);
        const QByteArray turned = reorient(g);
        newGlyf += turned.isEmpty() ? g : turned;
        newGlyf.append(QByteArray((4 - newGlyf.size() % 4) % 4, '\0'));
    }
    put32(newLoca, quint32(newGlyf.size()));
    tables[size_t(glyf)].data = newGlyf;
    tables[size_t(loca)].data = newLoca;
    set16(headData, 50, 1); // long offsets
    set32(headData, 8, 0);  // checkSumAdjustment, set below

    QByteArray out = font.left(12);
    qsizetype at = 12 + 16 * tableCount;
    QByteArray body;
    for (const Table& t : tables) {
        put32(out, t.tag);
        put32(out, checksum(t.data));
        put32(out, quint32(at + body.size()));
        put32(out, quint32(t.data.size()));
        body += t.data;
        body.append(QByteArray((4 - body.size() % 4) % 4, '\0'));
    }
    out += body;
    const qsizetype headAt = qsizetype(u32(out, 12 + 16 * head + 8));
    set32(out, headAt + 8, 0xB1B0AFBA - checksum(out));
    return out;
}

QByteArray asSemiboldFace(const QByteArray& font) {
    quint32 os2Size = 0, nameSize = 0;
    const qsizetype os2 = tableAt(font, tag("OS/2"), &os2Size);
    const qsizetype nameAt = tableAt(font, tag("name"), &nameSize);
    if (os2 < 0 || os2Size < 6 || nameAt < 0 || nameSize < 6) return {};
    QByteArray out = font;
    set16(out, os2 + 4, 600);
    // The style names get new strings at the end of a copy of the name table, which goes to the
    // end of the file.
    QByteArray name = font.mid(nameAt, nameSize);
    const int records = u16(name, 2);
    const qsizetype strings = u16(name, 4);
    if (6 + 12 * records > name.size() || strings > name.size()) return {};
    const QString style = QStringLiteral("Semibold");
    const QByteArray latin = style.toLatin1();
    QByteArray wide;
    for (QChar ch : style)
        put16(wide, ch.unicode());
    qsizetype latinAt = -1, wideAt = -1;
    for (int r = 0; r < records; ++r) {
        const qsizetype rec = 6 + 12 * r;
        const int nameId = u16(name, rec + 6);
        if (nameId != 2 && nameId != 17) continue; // style names
        const bool unicode = u16(name, rec) != 1;  // every platform but the old Macintosh one
        qsizetype& at = unicode ? wideAt : latinAt;
        const QByteArray& text = unicode ? wide : latin;
        if (at < 0) {
            at = name.size() - strings;
            name += text;
        }
        set16(name, rec + 8, quint16(text.size()));
        set16(name, rec + 10, quint16(at));
    }
    out.append(QByteArray((4 - out.size() % 4) % 4, '\0'));
    const int count = u16(out, 4);
    for (int i = 0; i < count; ++i) {
        if (u32(out, 12 + 16 * i) != tag("name")) continue;
        set32(out, 12 + 16 * i + 4, checksum(name));
        set32(out, 12 + 16 * i + 8, quint32(out.size()));
        set32(out, 12 + 16 * i + 12, quint32(name.size()));
    }
    return out + name;
}

} // namespace vatrel
