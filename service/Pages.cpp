#include "service/Pages.h"

#include <cstdio>

namespace zuneigo::service {
namespace {

std::string Page(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\r\n<html lang=\"de\"><head><meta charset=\"windows-1252\"><title>" + title +
        "</title></head>\r\n<body><h1>" + title + "</h1>\r\n" + body + "\r\n</body></html>\r\n";
}

} // namespace

std::string HomePage(std::uint64_t recordCount)
{
    return Page("Zuneigo \x96 Kontaktanzeigen",
                "<p>Willkommen beim Anzeigendienst von Zuneigo! Die Datenbank enth\xE4lt zur Zeit " +
                    std::to_string(recordCount) +
                    " Anzeigen.</p>\r\n<p>Mit dem Programm Zuneigo geben Sie Ihre eigene Anzeige auf, "
                    "laden alle Anzeigen herunter und suchen darin nach Geschlecht, Alter und "
                    "Entfernung.</p>");
}

std::string SubmittedPage()
{
    return Page("Anzeige eingetragen", "<p>Vielen Dank! Ihre Anzeige wurde gespeichert.</p>");
}

std::string BusyPage()
{
    return Page("503 Service Unavailable",
                "<p>Der Dienst ist gerade ausgelastet. Bitte in ein paar Sekunden noch einmal versuchen.</p>");
}

std::string StatusPage(int status)
{
    const char* text = "Die Anfrage konnte nicht bearbeitet werden.";
    switch (status) {
    case 400: text = "Die Anfrage ist fehlerhaft und wurde nicht bearbeitet."; break;
    case 401: text = "F\xFCr diese Seite sind Benutzername und Kennwort n\xF6tig."; break;
    case 404: text = "Diese Seite gibt es nicht."; break;
    case 405: text = "Diese Methode wird nicht unterst\xFCtzt."; break;
    case 414: text = "Die Adresse ist zu lang."; break;
    case 431: text = "Die Kopfzeilen der Anfrage sind zu lang."; break;
    case 503: text = "Die Anzeige konnte nicht gespeichert werden. Bitte sp\xE4ter noch einmal versuchen."; break;
    default: break;
    }
    return Page(std::to_string(status) + " " + ReasonPhrase(status), "<p>" + std::string(text) + "</p>");
}

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
    }
}

std::string HttpDate(std::time_t t)
{
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[tm.tm_wday], tm.tm_mday,
                  months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

} // namespace zuneigo::service
