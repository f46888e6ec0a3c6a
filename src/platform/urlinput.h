#pragma once
// How the browser reads a string given to Navigate, the way an address bar does:
//   - a string with a scheme ("http:", "about:", "javascript:", "mailto:" ...) is taken as it is;
//   - "host:port/..." and a host name with a dot ("www.example.com", "a.b/c"), "localhost"
//     or an IP address get "http://";
//   - an absolute or home-relative path ("/home/u/a.html", "~/a.html", "C:\x.htm") or a
//     name that exists in the working folder becomes a file:// address;
//   - "word/path" (an intranet host with a path) gets "http://";
//   - anything else (a bare word, a phrase with spaces) is a search: the search page
//     with the words as the query.
// An empty string is Empty: there is nothing to navigate to.

#include <QString>
#include <QUrl>

enum class TUrlInputKind { Empty, Address, File, Search };

struct TUrlInput {
    TUrlInputKind kind = TUrlInputKind::Empty;
    QUrl url;
};

// The search page used when the hive names none: "https://duckduckgo.com/?q=%s".
QString DefaultSearchPage();

// Classifies text. searchPage is the search address: "%s" in it is replaced by the
// percent-encoded query; without "%s" the query is appended. workingDir resolves names of
// existing local files (empty: the current folder).
TUrlInput ClassifyUrlInput(const QString &text, const QString &searchPage,
                           const QString &workingDir = QString());

// The search address for words (see ClassifyUrlInput); an empty query gives the search
// page itself with "%s" removed.
QUrl SearchUrl(const QString &searchPage, const QString &words);
