#include "TestServers.h"

#include "core/HexCoding.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace bildertafel::test {

namespace {

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool open = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return open;
}

// The processes below pid: sshd starts each session in a process group of its own.
std::vector<pid_t> descendants(pid_t pid) {
    std::vector<pid_t> found{pid};
    for (std::size_t at = 0; at < found.size(); ++at) {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string stat = readFile(entry.path() / "stat");
            const std::size_t close = stat.rfind(')');
            if (close == std::string::npos) {
                continue;
            }
            char state = 0;
            int parent = 0;
            if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
                parent == found[at]) {
                found.push_back(std::stoi(entry.path().filename().string()));
            }
        }
    }
    return found;
}

bool onPath(const std::string& program) {
    return runQuietly("command -v " + program);
}

// A CA of the test (ca.pem), another one (other-ca.pem) and a server certificate for 127.0.0.1
// signed by the first (server.pem, server.key), in dir; false when openssl fails.
bool makeCertificates(const std::string& dir) {
    const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    return runQuietly("cd " + dir + " && openssl req -x509" + ec +
                      " -keyout ca.key -out ca.pem -days 2 -subj /CN=Test-CA") &&
           runQuietly("cd " + dir + " && openssl req -x509" + ec +
                      " -keyout other-ca.key -out other-ca.pem -days 2 -subj /CN=Other-CA") &&
           runQuietly("cd " + dir + " && openssl req" + ec +
                      " -keyout server.key -out server.csr -subj /CN=127.0.0.1") &&
           runQuietly("cd " + dir +
                      " && printf 'subjectAltName=IP:127.0.0.1\\n' > san.ext && openssl x509 "
                      "-req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
                      "-extfile san.ext -out server.pem");
}

} // namespace

bool missingServerFails() {
    const char* ci = std::getenv("CI");
    if (ci == nullptr) {
        return false;
    }
    const std::string value = ci;
    return value == "1" || strcasecmp(value.c_str(), "true") == 0;
}

bool runQuietly(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

std::string outputOf(const std::string& command) {
    std::string output;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    std::size_t got = 0;
    while (pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) {
        output.append(buffer, got);
    }
    return output;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

std::string smallRootMissing() {
    if (::geteuid() != 0) {
        return "ein eigenes kleines Dateisystem für den Server geht nur für root";
    }
    if (!onPath("unshare") || !onPath("mount")) {
        return "unshare oder mount (util-linux, mount) ist nicht installiert";
    }
    return {};
}

bool ServerProcess::start(const std::string& command, int port, const std::filesystem::path& root,
                          std::chrono::milliseconds wait) {
    std::string run = command;
    if (m_rootLimit > 0) {
        run = "exec unshare --mount --propagation private sh -c 'mount -t tmpfs -o size=" +
              std::to_string(m_rootLimit) + " bildertafel-test " + root.string() + " && " +
              command + "'";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        ::execl("/bin/sh", "sh", "-c", run.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(child, child);
    m_group = child;
    m_port = port;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < until) {
        if (accepts(port)) {
            return true;
        }
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            m_group = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop();
    return false;
}

void ServerProcess::kill() {
    if (m_group > 0) {
        const std::vector<pid_t> processes = descendants(m_group);
        for (const pid_t process : processes) {
            ::kill(process, SIGKILL);
        }
        ::waitpid(m_group, nullptr, 0);
        m_group = -1;
    }
}

void ServerProcess::pause() {
    for (const pid_t process : descendants(m_group)) {
        ::kill(process, SIGSTOP);
    }
}

void ServerProcess::resume() {
    for (const pid_t process : descendants(m_group)) {
        ::kill(process, SIGCONT);
    }
}

void ServerProcess::stop() {
    if (m_group > 0) {
        const std::vector<pid_t> processes = descendants(m_group);
        for (const pid_t process : processes) {
            ::kill(process, SIGTERM);
        }
        ::waitpid(m_group, nullptr, 0);
        m_group = -1;
    }
}

std::string SshServer::missing() {
    if (::access("/usr/sbin/sshd", X_OK) != 0 || !onPath("ssh-keygen")) {
        return "OpenSSH (sshd, ssh-keygen) ist nicht installiert";
    }
    return {};
}

std::string SshServer::launch(const std::string& sftpSubsystem, const std::string& extraConfig) {
    if (::geteuid() == 0) {
        ::mkdir("/run/sshd", 0755); // sshd insists on its privilege separation folder
    }
    const std::string dir = m_dir.string();
    std::filesystem::create_directories(m_dir / "client");
    std::filesystem::create_directories(root());
    if (!runQuietly("ssh-keygen -q -t ed25519 -N '' -f " + dir + "/hostkey") ||
        !runQuietly("ssh-keygen -q -t ed25519 -N '' -f " + dir + "/client/id_ed25519") ||
        !runQuietly("cp " + dir + "/client/id_ed25519.pub " + dir + "/authorized_keys")) {
        return "ssh-keygen schlug fehl";
    }
    const char* user = std::getenv("USER");
    writeFile(m_dir / "sshd_config",
              "ListenAddress 127.0.0.1\nHostKey " + dir + "/hostkey\nPidFile " + dir +
                  "/sshd.pid\nAuthorizedKeysFile " + dir +
                  "/authorized_keys\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
                  "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n"
                  "Subsystem sftp " +
                  sftpSubsystem + "\nLogLevel ERROR\n" + extraConfig +
                  (user != nullptr ? "AllowUsers " + std::string(user) + "\n" : ""));
    std::string failed = relaunch();
    if (failed.empty()) {
        writeFile(knownHosts(), knownHostsLine());
    }
    return failed;
}

std::string SshServer::relaunch() {
    const int port = this->port() != 0 ? this->port() : freePort();
    const std::string dir = m_dir.string();
    if (!start("exec /usr/sbin/sshd -D -e -f " + dir + "/sshd_config -p " + std::to_string(port) +
                   " 2>" + dir + "/sshd.log",
               port, root())) {
        return "sshd startet nicht: " + readFile(m_dir / "sshd.log");
    }
    return {};
}

std::string SshServer::knownHostsLine() const {
    const std::string key = readFile(m_dir / "hostkey.pub");
    return "[127.0.0.1]:" + std::to_string(port()) + " " + key.substr(0, key.rfind(' ')) + "\n";
}

std::string SshServer::address() const {
    const char* user = std::getenv("USER");
    return "sftp://" + std::string(user != nullptr ? user : "root") +
           "@127.0.0.1:" + std::to_string(port()) + root().string();
}

std::string ApacheServer::missing() {
    if (!std::filesystem::exists("/usr/sbin/apache2") ||
        !std::filesystem::exists("/usr/lib/apache2/modules/mod_auth_basic.so")) {
        return "Apache (apache2) ist nicht installiert";
    }
    return {};
}

std::string ApacheServer::launch(const std::filesystem::path& documentRoot,
                                 const std::string& allowOverride) {
    const std::string dir = m_dir.string();
    const std::string modules = "/usr/lib/apache2/modules/";
    std::string config = "ServerRoot " + dir + "\nServerName 127.0.0.1\nPidFile " + dir +
                         "/apache.pid\nErrorLog " + dir + "/error.log\nLogLevel warn\n" +
                         "DefaultRuntimeDir " + dir + "\nMutex file:" + dir + " default\n";
    for (const char* module : {"mpm_event", "authz_core", "authn_core", "authn_file", "authz_user",
                               "auth_basic", "headers", "rewrite", "mime", "dir"}) {
        config +=
            "LoadModule " + std::string(module) + "_module " + modules + "mod_" + module + ".so\n";
    }
    if (::geteuid() == 0) {
        config += "User www-data\nGroup www-data\n";
        for (std::filesystem::path at = documentRoot; at.has_relative_path();
             at = at.parent_path()) {
            std::error_code ignored;
            std::filesystem::permissions(at, std::filesystem::perms::others_exec,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    const int port = freePort();
    config += "Listen 127.0.0.1:" + std::to_string(port) +
              "\nTypesConfig /etc/mime.types\nAddDefaultCharset UTF-8\nDocumentRoot \"" +
              documentRoot.string() +
              "\"\n<Directory />\nAllowOverride None\nRequire all denied\n</Directory>\n"
              "<Directory \"" +
              documentRoot.string() + "\">\nAllowOverride " + allowOverride +
              "\nRequire all granted\n</Directory>\n<Files \".ht*\">\nRequire all "
              "denied\n</Files>\n";
    writeFile(m_dir / "httpd.conf", config);
    if (!start("exec /usr/sbin/apache2 -f " + dir + "/httpd.conf -DFOREGROUND 2>" + dir +
                   "/start.log",
               port)) {
        return "Apache startet nicht: " + readFile(m_dir / "start.log") +
               readFile(m_dir / "error.log");
    }
    return {};
}

std::string ApacheServer::address() const {
    return "http://127.0.0.1:" + std::to_string(port()) + "/";
}

std::string FtpsServer::missing() {
    if (!runQuietly("/usr/bin/python3 -c 'import pyftpdlib, OpenSSL'") || !onPath("openssl")) {
        return "pyftpdlib mit python3-openssl oder openssl ist nicht installiert";
    }
    return {};
}

std::string FtpsServer::launch(bool tls13Only) {
    const std::string dir = m_dir.string();
    std::filesystem::create_directories(root());
    if (!makeCertificates(dir)) {
        return "openssl konnte keine Zertifikate machen";
    }
    writeFile(m_dir / "server.py", R"(import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import TLS_FTPHandler
from pyftpdlib.servers import FTPServer
home, folder, port, tls13 = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == '1'
from OpenSSL import SSL
authorizer = DummyAuthorizer()
authorizer.add_user('bild', 'geheim', home, perm='elradfmwMT')
handler = TLS_FTPHandler
handler.certfile = folder + '/server.pem'
handler.keyfile = folder + '/server.key'
handler.authorizer = authorizer
handler.tls_control_required = True
handler.tls_data_required = True
if tls13:
    handler.ssl_options |= SSL.OP_NO_TLSv1 | SSL.OP_NO_TLSv1_1 | SSL.OP_NO_TLSv1_2
handler.unicode_errors = 'surrogateescape'
# This pyftpdlib drops a data connection whose TLS handshake comes before the transfer
# command, as curl's does; it waits for the handshake instead.
from pyftpdlib.handlers import TLS_DTPHandler
class DataChannel(TLS_DTPHandler):
    def readable(self):
        if self._ssl_requested and not self._ssl_established:
            return True
        return super().readable()
handler.dtp_handler = DataChannel
FTPServer(('127.0.0.1', port), handler).serve_forever()
)");
    const int port = freePort();
    if (!start("exec /usr/bin/python3 " + dir + "/server.py " + (m_dir / "home").string() + " " +
                   dir + " " + std::to_string(port) + (tls13Only ? " 1" : " 0") + " 2>" + dir +
                   "/ftpd.log",
               port, root())) {
        return "der FTPS-Server startet nicht: " + readFile(m_dir / "ftpd.log");
    }
    return {};
}

std::string FtpsServer::address() const {
    return "ftps://bild@127.0.0.1:" + std::to_string(port()) + "/www";
}

std::string VsftpdServer::missing() {
    if (::access("/usr/sbin/vsftpd", X_OK) != 0 || !onPath("openssl")) {
        return "vsftpd oder openssl ist nicht installiert";
    }
    if (::geteuid() != 0 || ::getpwnam("ftp") == nullptr) {
        return "vsftpd läuft nur für root und braucht den Benutzer ftp";
    }
    return {};
}

std::string VsftpdServer::launch(int connections) {
    const std::string dir = m_dir.string();
    // The anonymous root must not be writable; the folder below it is.
    std::filesystem::create_directories(root());
    std::filesystem::create_directories(m_dir / "empty");
    ::chmod(dir.c_str(), 0755);
    ::chmod((m_dir / "anon").c_str(), 0755);
    ::chmod(root().c_str(), 0777);
    if (!makeCertificates(dir)) {
        return "openssl konnte keine Zertifikate machen";
    }
    const int port = freePort();
    writeFile(m_dir / "vsftpd.conf",
              "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" +
                  std::to_string(port) +
                  "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\n"
                  "no_anon_password=YES\nanon_root=" +
                  dir +
                  "/anon\nwrite_enable=YES\nanon_upload_enable=YES\n"
                  "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
                  "anon_world_readable_only=NO\nanon_umask=022\n"
                  "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                  "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
                  "rsa_cert_file=" +
                  dir + "/server.pem\nrsa_private_key_file=" + dir +
                  "/server.key\nsecure_chroot_dir=" + dir +
                  "/empty\nseccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
                  "pasv_enable=YES\nconnect_from_port_20=NO\nxferlog_enable=NO\n"
                  "max_clients=200\nmax_per_ip=" +
                  std::to_string(connections) + "\nvsftpd_log_file=" + dir + "/vsftpd.log\n");
    if (!start("exec /usr/sbin/vsftpd " + dir + "/vsftpd.conf 2>" + dir + "/ftpd.log", port,
               root())) {
        return "vsftpd startet nicht: " + readFile(m_dir / "ftpd.log");
    }
    return {};
}

std::string VsftpdServer::address() const {
    return "ftps://127.0.0.1:" + std::to_string(port()) + "/www";
}

namespace {

// The cluster's configuration: everything in dir, the pools of one copy on the one OSD, and
// short intervals so that it starts in seconds (a client asks for a newer map four times a
// second instead of every five seconds while its pool is still being made).
std::string cephConfig(const std::string& dir, const std::string& fsid, int monitorPort,
                       const std::string& frontend) {
    return "[global]\nfsid = " + fsid + "\nmon host = v2:127.0.0.1:" + std::to_string(monitorPort) +
           "\nmon initial members = a\npublic addr = 127.0.0.1\ncluster addr = 127.0.0.1\n"
           "ms bind msgr1 = false\nms bind ipv6 = false\n"
           "auth cluster required = cephx\nauth service required = cephx\n"
           "auth client required = cephx\nkeyring = " +
           dir + "/keyring\nrun dir = " + dir + "/run\nadmin socket = " + dir +
           "/run/$name.asok\npid file = " + dir + "/run/$name.pid\nlog file = " + dir +
           "/log/$name.log\ncrash dir = " + dir + "/crash\nmon data = " + dir +
           "/mon/$id\nosd data = " + dir +
           "/osd/$id\n"
           "osd objectstore = memstore\nmemstore device bytes = 4294967296\n"
           "osd pool default size = 1\nosd pool default min size = 1\n"
           "osd pool default pg num = 8\nosd pool default pgp num = 8\n"
           "osd pool default pg autoscale mode = off\nosd crush chooseleaf type = 0\n"
           "mon allow pool size one = true\nmon warn on pool no redundancy = false\n"
           "mon data avail crit = 0\n"
           "paxos propose interval = 0.01\npaxos min wait = 0.01\nmon tick interval = 1\n"
           "osd heartbeat interval = 1\nosd mon report interval = 1\n"
           "objecter tick interval = 0.25\n"
           "[client.rgw]\nrgw frontends = " +
           frontend + "\n";
}

// Keys, maps and the monitor's and the OSD's stores, made before any daemon runs.
std::string cephSetup(const std::string& fsid) {
    return "set -e\nmkdir -p run log mon osd/0 crash\n"
           "ceph-authtool keyring --create-keyring --gen-key -n mon. --cap mon 'allow *'\n"
           "ceph-authtool keyring --gen-key -n client.admin --cap mon 'allow *' "
           "--cap osd 'allow *' --cap mgr 'allow *'\n"
           "ceph-authtool keyring --gen-key -n osd.0 --cap mon 'allow profile osd' "
           "--cap osd 'allow *'\n"
           "ceph-authtool keyring --gen-key -n client.rgw --cap mon 'allow rw' "
           "--cap osd 'allow rwx'\n"
           "monmaptool --create --fsid " +
           fsid +
           " --addv a \"[$(sed -n 's/^mon host = //p' ceph.conf)]\" monmap\n"
           "osdmaptool --createsimple 1 --clobber osdmap\n"
           "ceph-mon -c ceph.conf -i a --mkfs --monmap monmap --osdmap osdmap --keyring keyring\n"
           "ceph-osd -c ceph.conf -i 0 --no-mon-config --mkfs --monmap monmap --osd-uuid "
           "$(cat /proc/sys/kernel/random/uuid)\n";
}

// The three daemons as children of one shell, which ends them all when one of them ends or
// when the test's process is gone; then, nobody being left to do it, it removes the folder.
std::string cephRun(const std::string& dir) {
    const std::string test = std::to_string(::getpid());
    return "cd " + shellQuoted(dir) +
           " || exit 1\n"
           "ceph-mon -c ceph.conf -i a -f &\nceph-osd -c ceph.conf -i 0 -f &\n"
           "radosgw -c ceph.conf -n client.rgw -f &\n"
           "while kill -0 " +
           test +
           " 2>/dev/null; do sleep 0.5; done &\n"
           "wait -n\nkill -9 $(jobs -p) 2>/dev/null\nwait\nkill -0 " +
           test + " 2>/dev/null || rm -rf " + shellQuoted(dir) + "\n";
}

// A key of length characters from the alphabet.
std::string randomKey(std::size_t length, const std::string& alphabet) {
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string key;
    for (std::size_t i = 0; i < length; ++i) {
        key += alphabet[pick(random)];
    }
    return key;
}

} // namespace

std::string RadosGateway::missing() {
    for (const char* program : {"ceph-mon", "ceph-osd", "radosgw", "radosgw-admin", "ceph-authtool",
                                "monmaptool", "osdmaptool"}) {
        if (::access(("/usr/bin/" + std::string(program)).c_str(), X_OK) != 0) {
            return "Cephs RADOS Gateway (radosgw, ceph-mon, ceph-osd, ceph-common, ceph-base) ist "
                   "nicht installiert";
        }
    }
    if (!onPath("curl") || !onPath("bash") || !onPath("sha256sum") || !onPath("openssl")) {
        return "curl, bash, sha256sum oder openssl ist nicht installiert";
    }
    return {};
}

std::string RadosGateway::launch(bool tls) {
    const std::string dir = m_dir.string();
    m_tls = tls;
    if (tls && !makeCertificates(dir)) {
        return "openssl konnte keine Zertifikate machen";
    }
    const int port = freePort();
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const std::string fsid = readFile("/proc/sys/kernel/random/uuid").substr(0, 36);
    writeFile(m_dir / "ceph.conf",
              cephConfig(dir, fsid, freePort(),
                         tls ? "beast ssl_endpoint=" + listen + " ssl_certificate=" + dir +
                                   "/server.pem ssl_private_key=" + dir + "/server.key"
                             : "beast endpoint=" + listen));
    writeFile(m_dir / "setup.sh", cephSetup(fsid));
    writeFile(m_dir / "run.sh", cephRun(dir));
    if (!runQuietly("cd " + shellQuoted(dir) + " && sh setup.sh >setup.log 2>&1")) {
        return "der Ceph-Cluster lässt sich nicht anlegen: " + readFile(m_dir / "setup.log");
    }
    if (!start("exec bash " + shellQuoted(dir + "/run.sh") + " </dev/null >" +
                   shellQuoted(dir + "/run.log") + " 2>&1",
               port, {}, std::chrono::seconds(60))) {
        return "der RADOS Gateway startet nicht: " + logTails();
    }
    const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    m_accessKey = randomKey(20, upper);
    m_secretKey = randomKey(40, upper + "abcdefghijklmnopqrstuvwxyz");
    const std::string made = admin("user create --uid=bildertafel --display-name=Bildertafel "
                                   "--access-key=" +
                                   m_accessKey + " --secret-key=" + m_secretKey);
    if (made.find("\"" + m_accessKey + "\"") == std::string::npos) {
        kill();
        return "radosgw-admin legt keinen Benutzer an: " + made + logTails();
    }
    return {};
}

std::string RadosGateway::endpoint() const {
    return (m_tls ? "https" : "http") + std::string("://127.0.0.1:") + std::to_string(port());
}

RadosGateway::Reply RadosGateway::request(const std::string& method, const std::string& target,
                                          const std::string& body,
                                          const std::vector<std::string>& headers,
                                          const std::string& secret) const {
    std::string arguments =
        "--aws-sigv4 " + shellQuoted("aws:amz:" + region() + ":s3") + " --user " +
        shellQuoted(m_accessKey + ":" + (secret.empty() ? m_secretKey : secret)) +
        " -H \"x-amz-content-sha256: $(sha256sum <\"$body\" | cut -c1-64)\"";
    for (const std::string& header : headers) {
        arguments += " -H " + shellQuoted(header);
    }
    if (method == "PUT" || method == "POST") {
        arguments += " -T \"$body\""; // no Content-Type of curl's own, as --data-binary would
    }
    return curl((method == "HEAD" ? "-I" : "-X " + method) + " " + arguments + " " +
                    shellQuoted(endpoint() + target),
                body);
}

RadosGateway::Reply RadosGateway::anonymous(const std::string& method,
                                            const std::string& target) const {
    return curl(
        (method == "HEAD" ? "-I " : "-X " + method + " ") + shellQuoted(endpoint() + target), {});
}

RadosGateway::Reply RadosGateway::curl(const std::string& arguments,
                                       const std::string& body) const {
    const std::filesystem::path base = m_dir / "requests" / std::to_string(++m_requests);
    writeFile(base.string() + ".body", body);
    const std::string command = "body=" + shellQuoted(base.string() + ".body") + "; curl -s -o " +
                                shellQuoted(base.string() + ".answer") + " -D " +
                                shellQuoted(base.string() + ".headers") +
                                " -w '%{http_code}' --max-time 60 " +
                                (m_tls ? "--cacert " + shellQuoted(caFile().string()) + " " : "") +
                                arguments + " 2>/dev/null";
    Reply reply;
    const std::string status = outputOf(command);
    reply.status = std::strtol(status.c_str(), nullptr, 10);
    reply.headers = readFile(base.string() + ".headers");
    reply.body = readFile(base.string() + ".answer");
    for (const char* end : {".body", ".answer", ".headers"}) {
        std::error_code ignored;
        std::filesystem::remove(base.string() + end, ignored);
    }
    return reply;
}

std::string RadosGateway::makeBucket(const std::string& bucket) const {
    const Reply reply = request("PUT", "/" + bucket);
    return reply.status == 200 ? std::string()
                               : "HTTP " + std::to_string(reply.status) + ": " + reply.body;
}

std::string RadosGateway::admin(const std::string& arguments) const {
    return outputOf("radosgw-admin -c " + shellQuoted((m_dir / "ceph.conf").string()) + " " +
                    arguments + " 2>&1");
}

std::string RadosGateway::encodeKey(const std::string& key) {
    return core::addressEncoded(key, "/");
}

std::string RadosGateway::logTails() const {
    std::string tails;
    for (const char* log : {"run.log", "log/mon.a.log", "log/osd.0.log", "log/client.rgw.log"}) {
        const std::string text = readFile(m_dir / log);
        tails += std::string("\n== ") + log + "\n" +
                 text.substr(text.size() > 1500 ? text.size() - 1500 : 0);
    }
    return tails;
}

} // namespace bildertafel::test
