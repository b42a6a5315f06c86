// Writes the seed corpora of the fuzz targets into <folder>/<target>/ from the demo plant and a few
// hand-picked inputs: fuzz_seed_corpus fuzz/corpus

#include "FuzzSupport.h"
#include "Plant.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

using namespace pelorin;
using fuzz::JoinArrivals;

class Corpus {
public:
    explicit Corpus(QString folder) : m_Folder(std::move(folder)) {}

    bool add(const char* target, const char* name, std::string_view bytes) {
        const QDir dir(m_Folder + QLatin1Char('/') + QLatin1String(target));
        QFile file(dir.filePath(QLatin1String(name)));
        if (!dir.mkpath(QStringLiteral(".")) || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size())) {
            std::fprintf(stderr, "fuzz_seed_corpus: cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
        return true;
    }

private:
    QString m_Folder;
};

// One record of every type, nested as the demo plant never nests them.
std::string EveryRecordType() {
    PictureWriter symbolChildren, inner, groupLine, groupText, picture;
    inner.box(1, false, true, 1, 0, 0, 4, 4);
    symbolChildren.line(1, 2, true, 1, 2, 3, 4).symbol(3, inner);
    groupLine.line(2, 1, false, 5, 6, 7, 8);
    groupText.text(3, 4, 9, 10, "AV");
    picture.text(1, 2, 5, 470, "Tilluft \xE5\xE4\xF6")
        .symbol(9, symbolChildren)
        .dynValue(1, 4, 2, 300, 310, "VS01.MV.GT11")
        .circle(5, 6, 2, 100, 110, 120, 130, -90, 270)
        .fill(6, 7, 200, 210)
        .pictureLink(7, 0, 10, 11, 2)
        .dynGroup(0xAB, 0xCD, 320, 330, 1, "LB01.IND.TF1", {{0, groupLine}, {1, groupText}})
        .setpoint("VS01.DAG", "Par 1", "Par 2", "Par 3", "Par 4")
        .empty()
        .raw(99, "xyz");
    return picture.data();
}

bool WritePictureSeeds(Corpus& corpus, const sim::Plant& plant) {
    bool ok = corpus.add("fuzz_picture_parser", "every-record-type", EveryRecordType());
    for (const auto& [number, picture] : plant.pictures) {
        const std::string name = "demo-picture-" + std::to_string(number);
        ok = corpus.add("fuzz_picture_parser", name.c_str(), picture.elementData) && ok;
    }
    return ok;
}

bool WriteNumberSeeds(Corpus& corpus) {
    const char* texts[][2] = {
        {"plain", "21.5"},
        {"signed-exponent", " -3.25e-2x"},
        {"fraction-only", "+.5E3"},
        {"comma", "12,5"},
        {"too-large", "1e999"},
        {"too-small", "-0.00001e-400"},
        {"bare-exponent", "2e+"},
        {"no-number", "  abc"},
        {"long-mantissa", "0.000000000000000000000000000001234567890123456789e30"},
        {"largest", "1.7976931348623157e308"},
        {"half", "2.5"},
        {"negative-half", "-32768.5"},
    };
    bool ok = true;
    for (const auto& [name, text] : texts)
        ok = corpus.add("fuzz_number_reader", name, text) && ok;
    return ok;
}

bool WriteFrameSeeds(Corpus& corpus, const sim::Plant& plant) {
    const std::string stream =
        EncodeFrame(MSG_LOGIN_REPLY, Long2String(31) + Long2String(2002) + Long2String(20000) + "\xC5sa") +
        EncodeFrame(MSG_PICTURE_TABLE, plant.pictureTable().substr(0, 200)) +
        EncodeFrame(MSG_VALUE, std::string("\x00\x03", 2) + "21.5") + EncodeFrame(MSG_NO_PICTURE, {});
    const std::string tooLong = EncodeFrame(MSG_VALUE, "1") + std::string("\x06\x7F\xFF\xFF\xFF", 5);
    return corpus.add("fuzz_frames", "whole", JoinArrivals(0, {}, stream)) &&
           corpus.add("fuzz_frames", "split-in-heads", JoinArrivals(0, {1, 3, 5, 30}, stream)) &&
           corpus.add("fuzz_frames", "split-emptying-handler", JoinArrivals(0x20, {7, 2, 1}, stream)) &&
           corpus.add("fuzz_frames", "length-beyond-limit", JoinArrivals(0, {4}, tooLong));
}

std::string Login(std::string_view visa, std::string_view password) {
    return EncodeFrame(CMD_LOGIN, ScrambleLogin(std::string(visa) + '\xFF' + std::string(password), 0x5A));
}

std::string Frame(Command code, std::string_view payload = {}) {
    return EncodeFrame(code, payload);
}

bool WriteSimSeeds(Corpus& corpus) {
    const std::string pictures =
        Login("DEMO", "demo") + Frame(CMD_GET_PICTURE_TABLE) + Frame(CMD_GET_PICTURE, "3") +
        Frame(CMD_WRITE_VALUE, Long2String(2) + "21.5") + Frame(CMD_GET_PICTURE, "2") +
        Frame(CMD_GET_PICTURE, "999") + Frame(CMD_LOGOUT);
    const std::string setpoints =
        Login("DEMO", "demo") + Frame(CMD_GET_PICTURE, "3") +
        Frame(CMD_WATCH_SETPOINT, "VS01.DAG.PAR1;VS01.DAG.PAR2;VS01.DAG.PAR3;VS01.DAG.PAR4") +
        Frame(CMD_WRITE_VALUE, Long2String(0) + "52") + Frame(CMD_UNWATCH_SETPOINT);
    const std::string texts = Login("DEMO", "demo") + Frame(CMD_GET_FUNCTION_TEXT, "1") +
                              Frame(CMD_SAVE_PICTURE_LOG, Long2String(1) + "Filter bytt \xE5r 2024") +
                              Frame(CMD_GET_PICTURE_LOG, Long2String(1)) +
                              Frame(CMD_SAVE_GLOBAL_LOG, "Drift ok") + Frame(CMD_GET_GLOBAL_LOG) +
                              Frame(CMD_SYSDIAL_CHANNEL) + Frame(CMD_SYSDIAL_CHANNEL);
    const std::string refused = Login("LAS", "fel") + Frame(CMD_GET_PICTURE, "1") + Login("LAS", "las") +
                                Frame(CMD_GET_PICTURE, "1") + Frame(CMD_WRITE_VALUE, Long2String(0) + "5");
    constexpr uint16_t kTick = fuzz::kMark;
    return corpus.add("fuzz_sim_commands", "pictures-and-writes", JoinArrivals(0, {}, pictures)) &&
           corpus.add("fuzz_sim_commands", "setpoints-with-time",
                      JoinArrivals(0, {static_cast<uint16_t>(kTick | 40), kTick | 2, kTick}, setpoints)) &&
           corpus.add("fuzz_sim_commands", "texts-and-channel", JoinArrivals(0, {3, 9}, texts)) &&
           corpus.add("fuzz_sim_commands", "refused-then-read-only", JoinArrivals(0, {}, refused));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_corpus <corpus-folder>\n");
        return 2;
    }
    sim::Plant plant;
    QString error;
    if (!sim::LoadPlant(sim::DemoPlantFolder(), plant, &error)) {
        std::fprintf(stderr, "fuzz_seed_corpus: %s\n", qPrintable(error));
        return 1;
    }
    Corpus corpus(QString::fromLocal8Bit(argv[1]));
    const bool ok = WritePictureSeeds(corpus, plant) && WriteNumberSeeds(corpus) &&
                    WriteFrameSeeds(corpus, plant) && WriteSimSeeds(corpus);
    return ok ? 0 : 1;
}
