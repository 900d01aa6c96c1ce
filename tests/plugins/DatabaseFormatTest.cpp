// The database file as written over the files it meets: fresh, over its own earlier output, over a hand-edited
// file, over a file without the scanned DAW and over a broken one. Each result is compared byte for byte with
// the file that the editor's document writer produced for the same tables and the same old file (the files
// under data/); only the order of attributes within an element, which that writer did not keep stable, is
// set aside.
#include "QPXiInfo.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QDateTime kPluginTime(QDate(2014, 3, 7), QTime(9, 5, 0));

struct Plugin
{
    QString name;
    QString fileName;
    int version;
    QString body; // the parameter tree as the database holds it
};

// Instruments whose names, paths, groups and parameters carry everything an attribute must escape.
const QList<Plugin>& plugins()
{
    static const QList<Plugin> list{
        {"Alpha", "Alpha.qpx3", 3,
         R"(<group name="Filter"><parameter id="00000000001" name="Cutoff"/></group>)"
         R"(<group name="Amp"><parameter id="00000000002" name="Level"/></group>)"
         R"(<group name="Filter"><parameter id="00000000003" name="Resonance"/></group>)"
         R"(<parameter id="10000000004" name="Top"/>)"},
        {QString::fromUtf8("Flügel <\"&'> ]]> 音 \U0001F3B9"), QString::fromUtf8("Fl&ü 'x'.qpx3"), 3,
         QString::fromUtf8(R"(<group name="A&amp;B &lt;]]&gt;&#9;&#10;&#13;"><group name="Deep &quot;x&quot;">)"
                           R"(<parameter id="04294967295" name="Max &gt; min ]]&gt; 'q'"/></group></group>)")},
        {"Two", "Two.qpx", 2, R"(<parameter id="00000004201" name="Keep"/>)"},
        {"Fallback", "Fallback.qpx3", 3, ""},
    };
    return list;
}

// Sorts the attributes of every start tag by name: the editor's document writer put them in hash order.
QByteArray withSortedAttributes(const QByteArray& text)
{
    static const QRegularExpression tag(QStringLiteral("<([A-Za-z_][^\\s/>]*)((?:\\s+[^\\s=]+=\"[^\"]*\")+)"));
    static const QRegularExpression attribute(QStringLiteral("\\s+([^\\s=]+=\"[^\"]*\")"));
    const QString input = QString::fromUtf8(text);
    QString output;
    qsizetype at = 0;
    for (auto match = tag.globalMatch(input); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        QStringList attributes;
        for (auto a = attribute.globalMatch(m.captured(2)); a.hasNext();) {
            attributes.append(a.next().captured(1));
        }
        std::sort(attributes.begin(), attributes.end());
        output += input.mid(at, m.capturedStart() - at) + "<" + m.captured(1) + " " + attributes.join(' ');
        at = m.capturedEnd();
    }
    return (output + input.mid(at)).toUtf8();
}

class DatabaseFormat : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(m_dir.path() + "/plugins");
        QDir().mkpath(m_dir.path() + "/db");
        QString instruments;
        for (const Plugin& plugin : plugins()) {
            const QString path = m_dir.path() + "/plugins/" + plugin.fileName;
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("plug-in");
            file.flush();
            ASSERT_TRUE(file.setFileTime(kPluginTime, QFileDevice::FileModificationTime));
            file.close();
            const QFileInfo info(path);
            m_size = QString::number(getQPXiFileSize(info));
            instruments += QString("<qpxi name=\"%1\" path=\"%2\" time=\"%3\" size=\"%4\" version=\"%5\">%6</qpxi>")
                               .arg(plugin.name.toHtmlEscaped(), path.toHtmlEscaped(), qpxiFileTime(info), m_size)
                               .arg(plugin.version)
                               .arg(plugin.body);
        }
        // The same instruments for both DAWs that the tests scan.
        const QString source = "<!DOCTYPE QPXiDatabase>\n<dawlist><daw name=\"Sonvik 8\">" + instruments +
                               "</daw><daw name=\"New DAW\">" + instruments + "</daw></dawlist>";
        QFile file(m_dir.path() + "/source.xml");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(source.toUtf8());
    }

    // Writes the tables read from the source over the old file (none when null) and returns what was written,
    // with the machine's own folder, time and size replaced by fixed marks.
    QByteArray written(const QByteArray& old, const QString& daw = "Sonvik 8")
    {
        QPXiMachine machine;
        machine.root = m_dir.path() + "/root";
        machine.home = m_dir.path() + "/home";
        QPXiInfo info(QDir(m_dir.path() + "/finder"), QDir(m_dir.path() + "/preset"), QDir(m_dir.path() + "/db"),
                      machine);
        info.selectDAW(daw);
        QFile source(m_dir.path() + "/source.xml");
        info.createParameterListFromDatabase(source);
        EXPECT_EQ(info.getQPXiParameterList("Alpha").size(), 4);
        const QString path = m_dir.path() + "/db/written.xml";
        QFile::remove(path);
        if (!old.isNull()) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        QFile out(path);
        EXPECT_TRUE(info.writeParameterListDatabase(out));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        bytes.replace(QFile::encodeName(m_dir.path()), "@ROOT@");
        bytes.replace("size=\"" + m_size.toUtf8() + "\"", "size=\"@SIZE@\"");
        return bytes;
    }

    static QByteArray expected(const QString& name)
    {
        QFile file(QStringLiteral(KW_TEST_DATA_DIR "/") + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    QTemporaryDir m_dir;
    QString m_size;
};

// Earlier output of the editor for two other DAWs around the one scanned.
const QByteArray kOwnOldFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE QPXiDatabase>
<dawlist>
    <daw name="Parlex 8">
        <qpxi name="P &amp; &lt;Q&gt; ]]&gt;" path="/a/P.qpx3" time="2001-01-01T00:00:00" size="12345" version="3">
            <group name="G&#xa;&#x9;&#xd;">
                <parameter id="00000000009" name="&quot;Nine&quot;"/>
            </group>
        </qpxi>
        <qpxi name="Empty" path="/a/E.qpx3" time="2001-01-01T00:00:00" size="12345" version="2"/>
    </daw>
    <daw name="Sonvik 8">
        <qpxi name="Stale" path="/a/S.qpx3" time="2001-01-01T00:00:00" size="12345" version="3"/>
    </daw>
    <daw name="Third"/>
</dawlist>
)";

// A file edited by hand: other quoting, references, comments, text, processing instructions, empty pairs.
const QByteArray kEditedOldFile = "<?xml version='1.0'?>\n<!-- before -->\n<!DOCTYPE QPXiDatabase>\n"
                                  "<dawlist kind='x' other=\"&#65;&amp;\">\n"
                                  "  <!-- first -->\n"
                                  "  <daw name='Parlex 8'><qpxi name='P&#38;Q' path='/x' time='t' size='1' version='3'>"
                                  "</qpxi>text &lt; &gt; ]]&gt; \"q\"<unknown a='1'/>  </daw>\n"
                                  "<daw name=\"Sonvik 8\"><qpxi name=\"old\"/></daw>\n"
                                  "<?pi data?>\n"
                                  "<daw name=\"Fourth\"><![CDATA[c<d]]>tail<!--c--></daw>after</dawlist>\n"
                                  "<!-- after -->\n";

} // namespace

TEST_F(DatabaseFormat, FreshFileIsWrittenAsBefore)
{
    EXPECT_EQ(withSortedAttributes(written(QByteArray())), withSortedAttributes(expected("fresh.xml")));
}

TEST_F(DatabaseFormat, OwnEarlierFileKeepsItsOtherDAWsAsBefore)
{
    EXPECT_EQ(withSortedAttributes(written(kOwnOldFile)), withSortedAttributes(expected("own.xml")));
}

TEST_F(DatabaseFormat, HandEditedFileKeepsItsOtherDAWsAsBefore)
{
    EXPECT_EQ(withSortedAttributes(written(kEditedOldFile)), withSortedAttributes(expected("edited.xml")));
}

TEST_F(DatabaseFormat, ADAWNotYetInTheFileIsAppendedAsBefore)
{
    EXPECT_EQ(withSortedAttributes(written(kOwnOldFile, "New DAW")), withSortedAttributes(expected("appended.xml")));
    EXPECT_EQ(withSortedAttributes(written("<!DOCTYPE QPXiDatabase><dawlist/>", "New DAW")),
              withSortedAttributes(expected("empty-root.xml")));
    EXPECT_EQ(withSortedAttributes(written("<!DOCTYPE QPXiDatabase><dawlist>text first</dawlist>", "New DAW")),
              withSortedAttributes(expected("text-root.xml")));
}

TEST_F(DatabaseFormat, BrokenOrForeignFilesAreReplacedAsBefore)
{
    const QByteArray fresh = withSortedAttributes(expected("fresh.xml"));
    for (const QByteArray& old :
         {QByteArray(kOwnOldFile).replace("</dawlist>", "</dawlis>"), QByteArray("<!DOCTYPE Other><dawlist/>"),
          QByteArray("<!DOCTYPE QPXiDatabase><x/>"), QByteArray("")}) {
        EXPECT_EQ(withSortedAttributes(written(old)), fresh) << old.constData();
    }
}
