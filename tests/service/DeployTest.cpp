// deploy/nginx.conf with real nginx in front of zuneigo-service: the database comes from
// the data file under the same credentials, submissions reach the service.
#include "app/core/ServiceSettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (auto p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
    return text;
}

} // namespace

TEST(Deploy, NginxServesTheFileAndPassesSubmissionsToTheService)
{
    TempDir dir;
    const std::string d = dir.Path();
    const int servicePort = FreeTcpPort();
    Process service({BinDir() + "/zuneigo-service", "--port", std::to_string(servicePort), "--data", d + "/kelto.txt",
                     "--demo", "30"},
                    d + "/service.log");
    ASSERT_TRUE(WaitForTcpPort(servicePort));

    const int port = FreeTcpPort();
    RunCommand({"mkdir", "-p", d + "/run/tmp"});
    RunCommand({"htpasswd", "-cbm", d + "/htpasswd", ServiceUsername, ServicePassword()});
    std::string conf = ReadFile(SourceDir() + "/deploy/nginx.conf");
    conf = Replace(conf, "@LISTEN@", "127.0.0.1:" + std::to_string(port));
    conf = Replace(conf, "@SERVICE@", "127.0.0.1:" + std::to_string(servicePort));
    conf = Replace(conf, "@DATA_FILE@", d + "/kelto.txt");
    conf = Replace(conf, "@HTPASSWD@", d + "/htpasswd");
    conf = Replace(conf, "@RUN_DIR@", d + "/run");
    ASSERT_EQ(conf.find('@'), std::string::npos);
    WriteFile(d + "/nginx.conf", conf);
    Process nginx({FindProgram("nginx"), "-c", d + "/nginx.conf", "-p", d, "-g", "daemon off; master_process off;"},
                  d + "/nginx.log");
    ASSERT_TRUE(WaitForTcpPort(port));

    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const std::string auth = std::string(ServiceUsername) + ":" + ServicePassword();
    const std::string fetch = BinDir() + "/zuneigo-fetch";
    const std::string query = "?T1=Nginx&T2=0&T3=1&T4=33&T5=170&T6=60&T7=0&T8=rot&T9=gr%FCn&T10=Kino"
                              "&T11=Hallo&T12=x%40example%2Eorg&T13=50&T14=60";
    struct Case {
        std::vector<std::string> args;
        int exit;
    };
    const Case cases[] = {
        {{"-u", auth, "-o", d + "/reply", base + "/kelto/addkelto.cgi" + query}, 0},
        {{"-u", auth, "-o", d + "/got", base + "/kelto/kelto.txt"}, 0},
        {{"-o", d + "/denied", base + "/kelto/kelto.txt"}, 1},
        {{"-u", "nomen:wrong", "-o", d + "/denied", base + "/kelto/kelto.txt"}, 1},
        {{"-o", d + "/denied", base + "/kelto/addkelto.cgi" + query}, 1},
        {{"-u", auth, "-o", d + "/denied", base + "/kelto/service.log"}, 1},
        {{"-o", d + "/home", base + "/"}, 0}};
    for (const Case& c : cases) {
        std::vector<std::string> argv = {fetch};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(RunCommand(argv), c.exit) << c.args.back();
    }
    const std::string file = ReadFile(d + "/kelto.txt");
    EXPECT_EQ(ReadFile(d + "/got"), file);
    EXPECT_TRUE(file.ends_with("Nginx\r\n0\r\n1\r\n33\r\n170\r\n60\r\n0\r\nrot\r\ngr\xFCn\r\nKino\r\nHallo\r\n"
                               "x@example.org\r\n50\r\n60\r\n"));
    EXPECT_NE(ReadFile(d + "/home").find("Zuneigo"), std::string::npos);
}
