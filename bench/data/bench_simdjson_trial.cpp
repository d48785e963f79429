// Trial of Debian's simdjson (libsimdjson-dev) as the library decoder, beside the program's
// own strict reader, in one run. Prints (never fails):
//   - verdicts on documents the reader's strictness rests on (accepted or refused, and the
//     exact integer seen), where simdjson's differ from the reader's;
//   - decode time of a 50,000-track library: the reader into tracks, simdjson's DOM parse
//     alone and its parse with the same fields turned into tracks.
#include "LibraryGenerator.h"
#include "models/JsonReader.h"
#include "models/Library.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// "refused", "int N", "real X", "string", or "ok" for other values.
QByteArray ourVerdict(const QByteArray &doc)
{
    JsonReader reader;
    if (!reader.parse(doc))
        return "refused";
    const JsonReader::Value v = reader.root();
    if (v.type() == JsonReader::Type::Integer)
        return "int " + QByteArray::number(*v.integral());
    if (v.type() == JsonReader::Type::Real)
        return "real " + QByteArray::number(*v.number(), 'g', 17);
    if (v.type() == JsonReader::Type::Object)
        return "a=" + QByteArray::number(v.member(QLatin1String("a")).integral().value_or(-1));
    return "ok";
}

QByteArray simdVerdict(simdjson::dom::parser &parser, const QByteArray &doc)
{
    simdjson::dom::element e;
    if (parser.parse(doc.constData(), size_t(doc.size())).get(e) != simdjson::SUCCESS)
        return "refused";
    int64_t i = 0;
    uint64_t u = 0;
    double d = 0;
    if (e.get_int64().get(i) == simdjson::SUCCESS)
        return "int " + QByteArray::number(qint64(i));
    if (e.get_uint64().get(u) == simdjson::SUCCESS)
        return "real " + QByteArray::number(double(u), 'g', 17);
    if (e.get_double().get(d) == simdjson::SUCCESS) {
        // The reader takes a number whose exact value is an integer as an Integer.
        if (d == std::trunc(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0)
            return "int " + QByteArray::number(qint64(d));
        return "real " + QByteArray::number(d, 'g', 17);
    }
    if (e.is_object()) {
        int64_t a = -1;
        if (e["a"].get_int64().get(a) != simdjson::SUCCESS)
            a = -1;
        return "a=" + QByteArray::number(qint64(a));
    }
    return "ok";
}

void strictness()
{
    const QList<QPair<const char *, QByteArray>> docs = {
        {"leading zero", "[01]"},
        {"leading point", "[.5]"},
        {"trailing point", "[1.]"},
        {"raw tab in string", "[\"a\tb\"]"},
        {"raw newline in string", "[\"a\nb\"]"},
        {"raw U+0001 in string", "[\"a\x01z\"]"},
        {"invalid UTF-8", "[\"\xff\"]"},
        {"overlong UTF-8", "[\"\xc0\xaf\"]"},
        {"encoded surrogate", "[\"\xed\xa0\x80\"]"},
        {"escaped lone surrogate (kept)", R"(["\ud800"])"},
        {"byte order mark", "\xEF\xBB\xBF[1]"},
        {"NUL after document", QByteArray("[1]\0", 4)},
        {"2^53+1", "9007199254740993"},
        {"2^53+1 with fraction zero", "9007199254740993.0"},
        {"int64 min by exponent", "-9223372036854775808e0"},
        {"1200e-2", "1200e-2"},
        {"above int64", "9223372036854775808"},
        {"1e400", "1e400"},
        {"duplicate keys: last wins", R"({"a":1,"a":2})"},
    };
    simdjson::dom::parser parser;
    int differ = 0;
    std::printf("strictness: %lld documents\n", qlonglong(docs.size()));
    for (const auto &[name, doc] : docs) {
        const QByteArray ours = ourVerdict(doc);
        const QByteArray theirs = simdVerdict(parser, doc);
        if (ours != theirs) {
            ++differ;
            std::printf("  DIFFERS %-32s reader: %-28s simdjson: %s\n", name, ours.constData(),
                        theirs.constData());
        }
    }
    std::printf("  %d of %lld verdicts differ from the reader's\n", differ,
                qlonglong(docs.size()));
}

QString text(simdjson::dom::element e, const char *key)
{
    std::string_view s;
    if (e[key].get_string().get(s) != simdjson::SUCCESS)
        return {};
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

void speed(int count)
{
    const QByteArray doc = LibraryGenerator::document(count);
    const int runs = 9;
    size_t ours = 0, theirs = 0;
    const double reader = medianMs(runs, [&] {
        const auto library = LibraryResponse::fromJson(doc);
        ours = library ? size_t(library->data.size()) : 0;
    });
    simdjson::dom::parser parser;
    const double parseOnly = medianMs(runs, [&] {
        simdjson::dom::element e;
        if (parser.parse(doc.constData(), size_t(doc.size())).get(e) != simdjson::SUCCESS)
            std::puts("simdjson refused the library");
    });
    const double intoTracks = medianMs(runs, [&] {
        simdjson::dom::element root;
        simdjson::dom::array data;
        if (parser.parse(doc.constData(), size_t(doc.size())).get(root) != simdjson::SUCCESS ||
            root["data"].get_array().get(data) != simdjson::SUCCESS)
            return;
        QList<Track> tracks;
        tracks.reserve(qsizetype(data.size()));
        for (simdjson::dom::element e : data) {
            Track t;
            int64_t i = 0;
            double d = 0;
            if (e["id"].get_int64().get(i) == simdjson::SUCCESS)
                t.id = i;
            t.filename = text(e, "filename");
            t.slug = text(e, "slug");
            if (e["filemtime"].get_double().get(d) == simdjson::SUCCESS)
                t.filemtime = d;
            t.ustadz = text(e, "ustadz");
            t.judul = text(e, "judul");
            if (e["duration_seconds"].get_int64().get(i) == simdjson::SUCCESS)
                t.durationSeconds = i;
            if (e["views"].get_int64().get(i) == simdjson::SUCCESS)
                t.views = i;
            tracks << t;
        }
        theirs = size_t(tracks.size());
    });
    std::printf("%d tracks, %.2f MB (median of %d): reader into tracks %.1f ms; simdjson parse "
                "alone %.1f ms (%.2fx the reader); simdjson parse + the same fields into tracks "
                "%.1f ms (%.2fx)%s\n",
                count, doc.size() / 1e6, runs, reader, parseOnly, parseOnly / reader, intoTracks,
                intoTracks / reader, ours == size_t(count) && theirs == ours ? "" : " (COUNTS DIFFER)");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("simdjson %d.%d.%d, implementation %s\n", int(simdjson::SIMDJSON_VERSION_MAJOR),
                int(simdjson::SIMDJSON_VERSION_MINOR), int(simdjson::SIMDJSON_VERSION_REVISION),
                simdjson::get_active_implementation()->name().c_str());
    strictness();
    speed(5000);
    speed(50000);
    return 0;
}
