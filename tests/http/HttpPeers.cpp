#include "HttpPeers.h"

#include <cstdio>
#include <filesystem>
#include <thread>
#include <stdexcept>

namespace zuneigo::test {

namespace {

void StartAndWait(Process& process, std::vector<std::string> argv, const std::string& log, int port)
{
    process = Process(std::move(argv), log);
    if (!WaitForTcpPort(port))
        throw std::runtime_error("peer did not start: " + log + "\n" + ReadFile(log));
}

} // namespace

ScriptedPeer::ScriptedPeer(const std::vector<std::vector<PeerStep>>& connections)
{
    // One line per step: connection number, kind, argument in hexadecimal.
    std::string script;
    for (std::size_t i = 0; i < connections.size(); ++i)
        for (const PeerStep& s : connections[i]) {
            script += std::to_string(i) + " " + s.kind + " ";
            for (unsigned char c : s.text) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02x", c);
                script += hex;
            }
            script += "\n";
        }
    WriteFile(dir_.File("script"), script);
    port_ = FreeTcpPort();
    process_ = Process({Python(), SourceDir() + "/tests/http/peer.py", std::to_string(port_), dir_.File("script"),
                        dir_.Path()},
                       dir_.File("peer.log"));
    for (int i = 0; i < 500 && !std::filesystem::exists(dir_.File("ready")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!std::filesystem::exists(dir_.File("ready")))
        throw std::runtime_error("scripted peer did not start: " + ReadFile(dir_.File("peer.log")));
}

std::string ScriptedPeer::Captured(int n) const
{
    try {
        return ReadFile(dir_.File("conn-" + std::to_string(n) + ".bin"));
    } catch (...) {
        return "";
    }
}

NginxServer::NginxServer()
{
    port_ = FreeTcpPort();
    const std::string d = dir_.Path();
    const std::string p = std::to_string(port_);
    RunCommand({"mkdir", "-p", d + "/www/private", d + "/tmp"});
    RunCommand({"htpasswd", "-cbB", d + "/htpasswd", "kunde", "geheim7"});
    WriteFile(d + "/nginx.conf",
              "daemon off;\nmaster_process off;\nworker_processes 1;\nerror_log " + d + "/error.log;\npid " + d +
                  "/nginx.pid;\nevents { worker_connections 64; }\nhttp {\n  access_log off;\n"
                  "  client_body_temp_path " +
                  d + "/tmp;\n  proxy_temp_path " + d + "/tmp;\n"
                                                        "  fastcgi_temp_path " +
                  d + "/tmp;\n  uwsgi_temp_path " + d + "/tmp;\n  scgi_temp_path " + d +
                  "/tmp;\n  default_type application/octet-stream;\n  server {\n    listen 127.0.0.1:" + p +
                  ";\n    root " + d + "/www;\n"
                                       "    location /private/ { auth_basic \"Zuneigo\"; auth_basic_user_file " +
                  d + "/htpasswd; }\n"
                      "    location = /moved { return 301 http://127.0.0.1:" +
                  p + "/index.html; }\n"
                      "    location = /found { return 302 http://127.0.0.1:" +
                  p + "/private/doc.txt; }\n"
                      "    location = /relative { absolute_redirect off; return 302 /index.html; }\n"
                      "    location = /bare { add_header Location index.html; return 302; }\n"
                      "    location = /loop { absolute_redirect off; return 302 /loop; }\n"
                      "  }\n}\n");
    WriteFile(d + "/www/index.html", "<html><body>Zuneigo</body></html>\n");
    WriteFile(d + "/www/private/doc.txt", "only for customers\r\n");
    StartAndWait(process_, {FindProgram("nginx"), "-c", d + "/nginx.conf", "-p", d}, d + "/nginx.log", port_);
}

TinyProxy::TinyProxy(const std::string& user, const std::string& password)
{
    port_ = FreeTcpPort();
    const std::string d = dir_.Path();
    std::string conf = "Port " + std::to_string(port_) +
        "\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\nLogLevel Info\n"
        "LogFile \"" +
        d + "/tinyproxy.log\"\nPidFile \"" + d + "/tinyproxy.pid\"\n";
    if (!user.empty())
        conf += "BasicAuth " + user + " " + password + "\n";
    WriteFile(d + "/tinyproxy.conf", conf);
    RunCommand({"chmod", "777", d});
    StartAndWait(process_, {FindProgram("tinyproxy"), "-d", "-c", d + "/tinyproxy.conf"}, d + "/stdout.log", port_);
}

std::string CurlFetch(const std::string& url, const std::string& proxy, const std::string& userColonPass)
{
    TempDir dir;
    std::vector<std::string> argv = {FindProgram("curl"), "-s", "-o", dir.File("out"), url};
    if (!proxy.empty()) {
        argv.push_back("-x");
        argv.push_back(proxy);
    }
    if (!userColonPass.empty()) {
        argv.push_back("-u");
        argv.push_back(userColonPass);
    }
    if (RunCommand(argv) != 0)
        return "";
    return ReadFile(dir.File("out"));
}

} // namespace zuneigo::test
