// Address completion from browser history databases made here, with the
// browsers' own table layouts, under a fake home folder.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCompleter>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QVBoxLayout>
#include <atomic>
#include <memory>

#include "tests/support/EventWait.h"
#include "ui/help/HistoryCompletion.h"

namespace orvanta {
namespace {

const std::atomic<bool> kGoOn{false};

const char kMozPlaces[] =
    "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, "
    "rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, "
    "typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date "
    "INTEGER , "
    "guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL , "
    "description TEXT, preview_image_url TEXT, site_name TEXT, origin_id INTEGER REFERENCES "
    "moz_origins(id), "
    "recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER, "
    "recalc_alt_frecency INTEGER NOT NULL DEFAULT 0)";
const char kMozOrigins[] =
    "CREATE TABLE moz_origins ( id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, "
    "frecency INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER, "
    "recalc_alt_frecency INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host) )";
const char kChromiumUrls[] =
    "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT,url LONGVARCHAR,title LONGVARCHAR,"
    "visit_count INTEGER DEFAULT 0 NOT NULL,typed_count INTEGER DEFAULT 0 NOT NULL,"
    "last_visit_time INTEGER NOT NULL,hidden INTEGER DEFAULT 0 NOT NULL)";
const char kChromiumMeta[] =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR)";

// One connection of the test's own, standing in for the browser.
class Db {
 public:
  explicit Db(const QString& path, const QString& options = {})
      : name_(QStringLiteral("test-%1").arg(++serial_)) {
    QDir().mkpath(QFileInfo(path).path());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    db.setConnectOptions(options);
    opened_ = db.open();
    // Test files need no protection against power loss.
    if (opened_) Run(QStringLiteral("PRAGMA synchronous=OFF"));
  }
  ~Db() {
    {
      QSqlDatabase db = QSqlDatabase::database(name_, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(name_);
  }
  bool opened() const { return opened_; }
  // Runs one statement; false with the error kept on failure.
  bool Run(const QString& sql) {
    QSqlQuery query(QSqlDatabase::database(name_, false));
    const bool ok = query.exec(sql);
    error_ = ok ? QString() : query.lastError().text();
    return ok;
  }
  void Must(const QString& sql) {
    ASSERT_TRUE(Run(sql)) << sql.toStdString() << ": " << error_.toStdString();
  }
  const QString& error() const { return error_; }

 private:
  static inline int serial_ = 0;
  QString name_;
  QString error_;
  bool opened_ = false;
};

struct Place {
  const char* url;
  int hidden;
  int rank;  // frecency or visit count
};

void MakeFirefox(Db& db, std::initializer_list<Place> places) {
  db.Must(QLatin1String(kMozOrigins));
  db.Must(QLatin1String(kMozPlaces));
  int id = 1;
  for (const Place& p : places)
    db.Must(QStringLiteral("INSERT INTO moz_places (id, url, title, hidden, frecency, guid) "
                           "VALUES (%1, '%2', 'title', %3, %4, 'guid%1')")
                .arg(id++)
                .arg(QLatin1String(p.url))
                .arg(p.hidden)
                .arg(p.rank));
}

void MakeChromium(Db& db, std::initializer_list<Place> places) {
  db.Must(QLatin1String(kChromiumMeta));
  db.Must(QLatin1String(kChromiumUrls));
  for (const Place& p : places)
    db.Must(
        QStringLiteral("INSERT INTO urls (url, title, visit_count, typed_count, last_visit_time, "
                       "hidden) VALUES ('%1', 'title', %2, 0, 13300000000000000, %3)")
            .arg(QLatin1String(p.url))
            .arg(p.rank)
            .arg(p.hidden));
}

QStringList Rows(const QAbstractItemModel* model) {
  QStringList rows;
  for (int r = 0; r < model->rowCount(); ++r) rows << model->index(r, 0).data().toString();
  return rows;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(home_.isValid()); }
  QString Path(const char* relative) const { return home_.filePath(QLatin1String(relative)); }

  // The fake home of a user with two Firefox profiles, Chromium and Chrome.
  void MakeFullHome() {
    {
      Db ff(Path(".mozilla/firefox/a1b2.default-release/places.sqlite"));
      MakeFirefox(ff, {{"https://news.example.org/today", 0, 500},
                       {"https://hidden.example.org/", 1, 9000},
                       {"place:sort=8&maxResults=10", 0, 8000},
                       {"http://www.example.com/shop", 0, 2000},
                       {"https://docs.example.net/guide", 0, 100}});
    }
    {
      Db ff(Path(".mozilla/firefox/z9y8.work/places.sqlite"));
      MakeFirefox(ff, {{"https://intranet.example.com/", 0, 70}});
    }
    {
      Db cr(Path(".config/chromium/Default/History"));
      MakeChromium(cr, {{"https://wiki.example.org/Main", 0, 5},
                        {"https://mail.example.com/", 0, 40},
                        {"https://tracker.example.com/", 1, 99},
                        {"chrome://settings/", 0, 50},
                        {"https://news.example.org/today", 0, 30}});
    }
    {
      Db gc(Path(".config/google-chrome/Profile 1/History"));
      MakeChromium(gc, {{"https://video.example.com/", 0, 3}});
    }
  }

  QTemporaryDir home_;
};

TEST(MergeHistories, RankByRankKeepingTheFirstPlace) {
  struct Case {
    std::vector<QStringList> lists;
    QStringList merged;
  };
  const QString a = QStringLiteral("a"), b = QStringLiteral("b"), c = QStringLiteral("c"),
                x = QStringLiteral("x"), y = QStringLiteral("y");
  const std::vector<Case> cases = {
      {{}, {}},
      {{{a, b, c}}, {a, b, c}},
      {{{a, b, c}, {x, b, y}}, {a, x, b, c, y}},
      {{{a}, {}, {x, y, a}}, {a, x, y}},
      {{{a, a, b}}, {a, b}},
  };
  for (const Case& test : cases) EXPECT_EQ(MergeHistories(test.lists), test.merged);
}

TEST(HistoryMatchKey, IgnoresSchemeAndWww) {
  struct Case {
    const char* text;
    const char* key;
  };
  for (const Case c :
       {Case{"https://www.example.com/a", "example.com/a"},
        Case{"http://example.com", "example.com"}, Case{"WWW.Example.com", "Example.com"},
        Case{"exa", "exa"}, Case{"", ""}, Case{"ftp://host/x", "host/x"}}) {
    EXPECT_EQ(HistoryMatchKey(QLatin1String(c.text)), QLatin1String(c.key)) << c.text;
  }
  // A bare scheme, as the URL box starts, matches no address.
  const QString bare = HistoryMatchKey(QStringLiteral("http://"));
  EXPECT_FALSE(bare.isEmpty());
  EXPECT_FALSE(HistoryMatchKey(QStringLiteral("https://example.com/")).startsWith(bare));
}

TEST_F(HistoryTest, FindsEveryProfileInOrder) {
  MakeFullHome();
  // Not databases the way the browsers lay them out: ignored.
  WriteFile(Path(".mozilla/firefox/places.sqlite"), "x");
  QDir().mkpath(Path(".config/chromium/Profile 2/History"));
  const std::vector<HistorySource> sources = FindHistorySources(home_.path());
  ASSERT_EQ(sources.size(), 4u);
  EXPECT_EQ(sources[0].kind, HistorySource::Kind::Firefox);
  EXPECT_TRUE(sources[0].path.endsWith(QLatin1String("a1b2.default-release/places.sqlite")));
  EXPECT_TRUE(sources[1].path.endsWith(QLatin1String("z9y8.work/places.sqlite")));
  EXPECT_EQ(sources[2].kind, HistorySource::Kind::Chromium);
  EXPECT_TRUE(sources[2].path.endsWith(QLatin1String("chromium/Default/History")));
  EXPECT_TRUE(sources[3].path.endsWith(QLatin1String("google-chrome/Profile 1/History")));
  EXPECT_TRUE(FindHistorySources(Path("nobody")).empty());
}

TEST_F(HistoryTest, FirefoxByFrecencyChromiumByVisitsHiddenAndNonWebLeftOut) {
  MakeFullHome();
  EXPECT_EQ(ReadHistory({HistorySource::Kind::Firefox,
                         Path(".mozilla/firefox/a1b2.default-release/places.sqlite")},
                        kGoOn),
            (QStringList{QStringLiteral("http://www.example.com/shop"),
                         QStringLiteral("https://news.example.org/today"),
                         QStringLiteral("https://docs.example.net/guide")}));
  EXPECT_EQ(
      ReadHistory({HistorySource::Kind::Chromium, Path(".config/chromium/Default/History")}, kGoOn),
      (QStringList{QStringLiteral("https://mail.example.com/"),
                   QStringLiteral("https://news.example.org/today"),
                   QStringLiteral("https://wiki.example.org/Main")}));
}

TEST_F(HistoryTest, CompleterFedInMergedOrderAfterTheWindowShows) {
  MakeFullHome();
  QWidget window;
  auto* edit = new QLineEdit(&window);
  HistoryCompletion* completion = EnableAutoComplete(edit, home_.path());
  ASSERT_NE(completion, nullptr);
  QSignalSpy loaded(completion, &HistoryCompletion::loaded);
  // Nothing is read while the window is not on the screen: whatever was
  // queued or started on a worker has run by now.
  ASSERT_TRUE(test_support::SettlePendingWork(10000));
  EXPECT_EQ(loaded.count(), 0);
  EXPECT_EQ(edit->completer(), nullptr);

  window.show();
  ASSERT_TRUE(loaded.wait(10000));
  EXPECT_EQ(loaded.at(0).at(0).toInt(), 7);
  QCompleter* completer = edit->completer();
  ASSERT_NE(completer, nullptr);
  EXPECT_EQ(Rows(completer->model()),
            (QStringList{QStringLiteral("http://www.example.com/shop"),     // Firefox 1, rank 1
                         QStringLiteral("https://intranet.example.com/"),   // Firefox 2, rank 1
                         QStringLiteral("https://mail.example.com/"),       // Chromium, rank 1
                         QStringLiteral("https://video.example.com/"),      // Chrome, rank 1
                         QStringLiteral("https://news.example.org/today"),  // rank 2, once
                         QStringLiteral("https://docs.example.net/guide"),
                         QStringLiteral("https://wiki.example.org/Main")}));

  // Typed with or without scheme and "www.", in any case.
  struct Case {
    const char* typed;
    QStringList offered;
  };
  const std::vector<Case> cases = {
      {"http://ex", {QStringLiteral("http://www.example.com/shop")}},
      {"EXAMPLE.COM/", {QStringLiteral("http://www.example.com/shop")}},
      {"https://www.ma", {QStringLiteral("https://mail.example.com/")}},
      {"news", {QStringLiteral("https://news.example.org/today")}},
      {"http://", {}},
      {"zzz", {}},
  };
  for (const Case& c : cases) {
    completer->setCompletionPrefix(QLatin1String(c.typed));
    EXPECT_EQ(Rows(completer->completionModel()), c.offered) << c.typed;
  }
  // The whole address goes into the box.
  completer->setCompletionPrefix(QStringLiteral("mail"));
  EXPECT_EQ(completer->pathFromIndex(completer->completionModel()->index(0, 0)),
            QStringLiteral("https://mail.example.com/"));
}

TEST_F(HistoryTest, ReadsADatabaseLockedByARunningBrowserWithoutDisturbingIt) {
  const QString path = Path(".config/chromium/Default/History");
  Db browser(path);
  ASSERT_TRUE(browser.opened());
  MakeChromium(browser, {{"https://mail.example.com/", 0, 4}});
  // As the browsers do: the lock is taken at the first write and kept.
  browser.Must(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
  browser.Must(
      QStringLiteral("INSERT INTO urls (url, visit_count, last_visit_time) "
                     "VALUES ('https://late.example.com/', 9, 1)"));
  {
    Db other(path, QStringLiteral("QSQLITE_BUSY_TIMEOUT=0;QSQLITE_OPEN_READONLY"));
    EXPECT_FALSE(other.Run(QStringLiteral("SELECT count(*) FROM urls"))) << "the lock is not held";
  }
  EXPECT_EQ(ReadHistory({HistorySource::Kind::Chromium, path}, kGoOn),
            (QStringList{QStringLiteral("https://late.example.com/"),
                         QStringLiteral("https://mail.example.com/")}));
  // The browser goes on writing.
  browser.Must(
      QStringLiteral("INSERT INTO urls (url, visit_count, last_visit_time) "
                     "VALUES ('https://later.example.com/', 1, 2)"));
}

TEST_F(HistoryTest, ReadsWhatIsStillInTheWriteAheadLog) {
  const QString path = Path(".mozilla/firefox/p.default/places.sqlite");
  Db browser(path);
  ASSERT_TRUE(browser.opened());
  MakeFirefox(browser, {{"https://old.example.com/", 0, 10}});
  browser.Must(QStringLiteral("PRAGMA journal_mode=WAL"));
  browser.Must(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
  browser.Must(QStringLiteral(
      "INSERT INTO moz_places (url, hidden, frecency) VALUES ('https://new.example.com/', 0, 20)"));
  ASSERT_GT(QFileInfo(path + QStringLiteral("-wal")).size(), 0);
  EXPECT_EQ(ReadHistory({HistorySource::Kind::Firefox, path}, kGoOn),
            (QStringList{QStringLiteral("https://new.example.com/"),
                         QStringLiteral("https://old.example.com/")}));
}

TEST_F(HistoryTest, BrokenDatabasesGiveNothing) {
  {
    Db good(Path("good/places.sqlite"));
    MakeFirefox(good, {{"https://one.example.com/", 0, 1}});
    good.Must(QStringLiteral("BEGIN"));
    for (int i = 0; i < 300; ++i)
      good.Must(QStringLiteral("INSERT INTO moz_places (url, hidden, frecency) VALUES "
                               "('https://n%1.example.com/%2', 0, %1)")
                    .arg(i)
                    .arg(QString(200, QLatin1Char('p'))));
    good.Must(QStringLiteral("COMMIT"));
  }
  QFile good(Path("good/places.sqlite"));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  const QByteArray whole = good.readAll();
  ASSERT_GT(whole.size(), 8192);
  QByteArray scrambled = whole;
  for (qsizetype i = 4096; i < scrambled.size(); i += 7) scrambled[i] = static_cast<char>(0xA5);

  struct Case {
    const char* name;
    QByteArray bytes;
    HistorySource::Kind kind;
  };
  const std::vector<Case> cases = {
      {"text", "this is not a database", HistorySource::Kind::Firefox},
      {"empty", "", HistorySource::Kind::Chromium},
      {"truncated", whole.left(whole.size() / 3), HistorySource::Kind::Firefox},
      {"scrambled", scrambled, HistorySource::Kind::Firefox},
      // A sound database without the table asked for.
      {"other-browser", whole, HistorySource::Kind::Chromium},
  };
  for (const Case& c : cases) {
    const QString path = Path("broken/") + QLatin1String(c.name);
    WriteFile(path, c.bytes);
    EXPECT_TRUE(ReadHistory({c.kind, path}, kGoOn).isEmpty()) << c.name;
  }
  EXPECT_TRUE(
      ReadHistory({HistorySource::Kind::Firefox, Path("missing/places.sqlite")}, kGoOn).isEmpty());
}

TEST_F(HistoryTest, OnlyBrokenHistoryLeavesAPlainTextBox) {
  WriteFile(Path(".mozilla/firefox/x.default/places.sqlite"), "garbage, not SQLite");
  WriteFile(Path(".config/chromium/Default/History"),
            QByteArray("SQLite format 3\0", 16) + QByteArray(500, '\x7f'));
  QWidget window;
  auto* edit = new QLineEdit(&window);
  window.show();
  HistoryCompletion* completion = EnableAutoComplete(edit, home_.path());
  QSignalSpy loaded(completion, &HistoryCompletion::loaded);
  ASSERT_TRUE(loaded.wait(10000));
  EXPECT_EQ(loaded.at(0).at(0).toInt(), 0);
  EXPECT_EQ(edit->completer(), nullptr);
  QTest::keyClicks(edit, QStringLiteral("http://exa"));
  EXPECT_EQ(edit->text(), QStringLiteral("http://exa"));
}

TEST_F(HistoryTest, ABrokenProfileDoesNotSpoilTheOthers) {
  MakeFullHome();
  WriteFile(Path(".mozilla/firefox/a1b2.default-release/places.sqlite"), "ruined");
  const QStringList all = ReadBrowserHistory(home_.path(), kGoOn);
  EXPECT_EQ(all, (QStringList{QStringLiteral("https://intranet.example.com/"),
                              QStringLiteral("https://mail.example.com/"),
                              QStringLiteral("https://video.example.com/"),
                              QStringLiteral("https://news.example.org/today"),
                              QStringLiteral("https://wiki.example.org/Main")}));
}

TEST_F(HistoryTest, NoHistoryAtAllLeavesAPlainTextBox) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  window.show();
  QSignalSpy loaded(EnableAutoComplete(edit, home_.path()), &HistoryCompletion::loaded);
  ASSERT_TRUE(loaded.wait(10000));
  EXPECT_EQ(loaded.at(0).at(0).toInt(), 0);
  EXPECT_EQ(edit->completer(), nullptr);
}

TEST_F(HistoryTest, TheOriginalFilesAreLeftAsTheyWere) {
  MakeFullHome();
  const QString path = Path(".config/chromium/Default/History");
  QFile before(path);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray bytes = before.readAll();
  const QDateTime modified = QFileInfo(path).lastModified();
  before.close();
  ReadBrowserHistory(home_.path(), kGoOn);
  QFile after(path);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), bytes);
  EXPECT_EQ(QFileInfo(path).lastModified(), modified);
  EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-journal")));
  EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal")));
}

TEST_F(HistoryTest, ClosingTheWindowStopsAReadThatWouldNeverEnd) {
  {
    Db ff(Path(".mozilla/firefox/x.default/places.sqlite"));
    ff.Must(
        QStringLiteral("CREATE VIEW moz_places AS WITH RECURSIVE n(i) AS "
                       "(SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i AS id, "
                       "'https://example.com/' || i AS url, 0 AS hidden, i AS frecency FROM n"));
  }
  auto window = std::make_unique<QWidget>();
  auto* edit = new QLineEdit(window.get());
  QSignalSpy loaded(EnableAutoComplete(edit, home_.path()), &HistoryCompletion::loaded);
  window->show();
  QThreadPool* pool = QThreadPool::globalInstance();
  ASSERT_TRUE(QTest::qWaitFor([&] { return pool->activeThreadCount() > 0; }, 5000));
  ASSERT_FALSE(loaded.wait(500)) << "the query ends by itself";
  window.reset();
  // The program waits for this before it ends.
  EXPECT_TRUE(pool->waitForDone(1000));
}

TEST_F(HistoryTest, CopyStopsOnceCancelledAndLeavesNoPart) {
  const QString from = Path("big.sqlite");
  QFile big(from);
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  const QByteArray block(1000 * 1000, 'h');
  for (int i = 0; i < 3; ++i) ASSERT_EQ(big.write(block), block.size());
  big.close();
  std::atomic<bool> cancel{false};
  const QString copy = Path("copy.sqlite");
  ASSERT_TRUE(CopyUnlessCancelled(from, copy, cancel));
  QFile copied(copy);
  ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
  EXPECT_EQ(copied.size(), 3 * block.size());
  copied.close();
  cancel = true;
  const QString stopped = Path("stopped.sqlite");
  EXPECT_FALSE(CopyUnlessCancelled(from, stopped, cancel));
  EXPECT_FALSE(QFileInfo::exists(stopped));
  cancel = false;
  EXPECT_FALSE(CopyUnlessCancelled(from, copy, cancel)) << "an existing file is not overwritten";
}

TEST_F(HistoryTest, AHugeDatabaseIsNotCopiedAndAKilledReadsFoldersGo) {
  // A browser writing through its write-ahead log, to 3 GB of database.
  const QString path = Path(".mozilla/firefox/x.default/places.sqlite");
  Db browser(path);
  MakeFirefox(browser, {{"https://kept.example.com/", 0, 10}});
  browser.Must(QStringLiteral("PRAGMA journal_mode=WAL"));
  browser.Must(QStringLiteral("INSERT INTO moz_places (url) VALUES ('https://new.example.com/')"));
  ASSERT_TRUE(QFile::resize(path, qint64{3} << 30));  // sparse, past the size SQLite reads
  const QByteArray oldTemp = qgetenv("TMPDIR");
  const auto restore = qScopeGuard([&] { qputenv("TMPDIR", oldTemp); });
  qputenv("TMPDIR", QFile::encodeName(Path("no-such-folder")));  // where no copy can go
  EXPECT_EQ(ReadBrowserHistory(home_.path(), kGoOn),
            QStringList{QStringLiteral("https://kept.example.com/")});

  // Folders of a process that is gone go; ours and those of running ones stay.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  qputenv("TMPDIR", QFile::encodeName(Path("temp")));
  const QString name = QLatin1String(kHistoryTempPrefix) + QStringLiteral("%1-a1b2c3");
  for (const qint64 pid : {qint64{gone}, qint64{::getpid()}, qint64{1}})
    WriteFile(Path("temp/") + name.arg(pid) + QStringLiteral("/history.sqlite"), "copy");
  ReadBrowserHistory(home_.path(), kGoOn);
  EXPECT_EQ(QDir(Path("temp")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
            (QStringList{name.arg(1), name.arg(::getpid())}));
}

TEST_F(HistoryTest, AMissingDatabaseIsNotMade) {
  const QString missing = Path("nowhere/places.sqlite");
  QDir().mkpath(QFileInfo(missing).path());
  const std::atomic<bool> cancel{false};
  EXPECT_TRUE(QueryHistoryFile(missing, HistorySource::Kind::Firefox, cancel).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(missing));
}

}  // namespace
}  // namespace orvanta
