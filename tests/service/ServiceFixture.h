#pragma once
// zuneigo-service started on a free port with a data file of its own, and the clients
// the service tests talk to it with.
#include "app/core/ServiceSettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zuneigo::test {

inline const std::string Auth = std::string(ServiceUsername) + ":" + ServicePassword();

struct Service {
    // prefix: a program that runs the service (prlimit with its limits).
    explicit Service(const std::vector<std::string>& extra = {}, const std::string& data = "",
                     std::vector<std::string> argv = {})
    {
        file = data.empty() ? dir.File("kelto.txt") : data;
        argv.insert(argv.end(), {BinDir() + "/zuneigo-service", "--port", std::to_string(port), "--data", file});
        argv.insert(argv.end(), extra.begin(), extra.end());
        process = Process(argv, dir.File("service.log"));
        EXPECT_TRUE(WaitForTcpPort(port));
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
    std::string Peer(const std::vector<std::string>& args) const
    {
        std::vector<std::string> argv = {Python(), SourceDir() + "/tests/service/peer.py", args[0], std::to_string(port)};
        argv.insert(argv.end(), args.begin() + 1, args.end());
        std::string out;
        RunCommand(argv, &out);
        return out.substr(0, out.find('\n'));
    }
    std::string Log() const { return ReadFile(dir.File("service.log")); }
    TempDir dir;
    int port = FreeTcpPort();
    std::string file;
    Process process;
};

// curl's status and header lines.
inline std::string Curl(std::vector<std::string> args, int& status)
{
    TempDir d;
    std::vector<std::string> argv = {FindProgram("curl"), "-s", "-D", d.File("h"), "-o", d.File("b"), "-w", "%{http_code}"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    RunCommand(argv, &out);
    status = std::atoi(out.c_str());
    return ReadFile(d.File("h")) + ReadFile(d.File("b"));
}

inline std::string Fetch(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {BinDir() + "/zuneigo-fetch"};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::to_string(RunCommand(argv));
}

inline std::string Submission(const std::string& name)
{
    return "/kelto/addkelto.cgi?T1=" + name +
        "&T2=1&T3=0&T4=20&T5=185&T6=79&T7=0&T8=kurz%2C+dunkles+rot&T9=blau&T10=Programmieren%2C+Kino"
        "&T11=Suche+nettes+M%E4dchen&T12=nomen%40example%2Ecom&T13=136&T14=120";
}

inline std::string StoredSubmission(const std::string& name)
{
    return name + "\r\n1\r\n0\r\n20\r\n185\r\n79\r\n0\r\nkurz, dunkles rot\r\nblau\r\nProgrammieren, Kino\r\n"
                  "Suche nettes M\344dchen\r\nnomen@example.com\r\n136\r\n120\r\n";
}

} // namespace zuneigo::test
