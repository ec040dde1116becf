// HLSL compiles in a compiler process: the parent hands the source over a
// socket, answers the compiler's include requests, and takes the result; a
// compiler that crashes or hangs costs the compile, not the program.
//
// Messages both ways are a kind byte, a 32-bit length and that many bytes,
// made of length-prefixed strings:
//   parent -> compiler  'R' stage, source name, entry point, source
//   compiler -> parent  'I' name, includer      parent answers 'F' text or 'N'
//   compiler -> parent  'D' ok, log, SPIR-V bytes
#include "platform/gpu/hlsl_compiler.h"

#include "platform/os/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Platform::Gpu {

namespace {
using Clock = std::chrono::steady_clock;
constexpr uint32_t MaxMessageBytes = 256u << 20;

struct Message {
    char kind = 0;
    std::vector<std::string> fields;
};

bool sendAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool sendMessage(int fd, char kind, const std::vector<std::string>& fields)
{
    std::string body;
    for (const std::string& f : fields) {
        const auto length = static_cast<uint32_t>(f.size());
        body.append(reinterpret_cast<const char*>(&length), 4);
        body += f;
    }
    const auto length = static_cast<uint32_t>(body.size());
    std::string head(1, kind);
    head.append(reinterpret_cast<const char*>(&length), 4);
    return sendAll(fd, head.data(), head.size()) && sendAll(fd, body.data(), body.size());
}

// Reads exactly size bytes; false on end of stream, error or the deadline
// (timedOut set then).
bool readAll(int fd, void* data, size_t size, Clock::time_point deadline, bool& timedOut)
{
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            return false;
        }
        pollfd pfd{fd, POLLIN, 0};
        int ready = ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool readMessage(int fd, Message& out, Clock::time_point deadline, bool& timedOut)
{
    char head[5];
    if (!readAll(fd, head, 5, deadline, timedOut))
        return false;
    uint32_t length = 0;
    std::memcpy(&length, head + 1, 4);
    if (length > MaxMessageBytes)
        return false;
    std::string body(length, '\0');
    if (!readAll(fd, body.data(), length, deadline, timedOut))
        return false;
    out.kind = head[0];
    out.fields.clear();
    for (size_t at = 0; at < body.size();) {
        uint32_t n = 0;
        if (body.size() - at < 4)
            return false;
        std::memcpy(&n, body.data() + at, 4);
        at += 4;
        if (n > body.size() - at)
            return false;
        out.fields.emplace_back(body, at, n);
        at += n;
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

CompileResult failure(const std::string& sourceName, const std::string& what)
{
    CompileResult r;
    r.log = "ERROR: " + sourceName + ": " + what + "\n";
    return r;
}
} // namespace

CompileResult compileHlsl(const std::string& source, const std::string& sourceName, const std::string& entryPoint,
                          Stage stage, const IncludeReader& include, int timeoutMs)
{
    const std::string program = folderOf(Os::executablePath()) + "/" + HlslCompilerProgram;
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return failure(sourceName, "the shader compiler cannot be started (" + Os::errorText(errno) + ")");
    // The compiler's end becomes its descriptor 3 (without close-on-exec).
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 3);
    char serve[] = "--serve";
    char fd[] = "3";
    char* argv[] = {const_cast<char*>(program.c_str()), serve, fd, nullptr};
    pid_t pid = 0;
    int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(sockets[1]);
    if (spawned != 0) {
        ::close(sockets[0]);
        return failure(sourceName, "the shader compiler " + program + " cannot be started (" + Os::errorText(spawned) + ")");
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false, done = false;
    CompileResult result;
    const char stageCode = stage == Stage::Vertex ? 'v' : stage == Stage::Compute ? 'c' : 'p';
    if (sendMessage(sockets[0], 'R', {std::string(1, stageCode), sourceName, entryPoint, source})) {
        Message m;
        while (!done && readMessage(sockets[0], m, deadline, timedOut)) {
            if (m.kind == 'I' && m.fields.size() == 2) {
                std::string text;
                bool found = include && include(m.fields[0], m.fields[1], text);
                if (!sendMessage(sockets[0], found ? 'F' : 'N', found ? std::vector<std::string>{text}
                                                                    : std::vector<std::string>{}))
                    break;
            } else if (m.kind == 'D' && m.fields.size() == 3 && m.fields[2].size() % 4 == 0) {
                result.ok = m.fields[0] == "1";
                result.log = m.fields[1];
                result.spirv.resize(m.fields[2].size() / 4);
                if (!result.spirv.empty()) // a failed compile sends no words, and memcpy takes no null
                    std::memcpy(result.spirv.data(), m.fields[2].data(), m.fields[2].size());
                done = true;
            } else {
                break; // not the protocol
            }
        }
    }
    if (!done)
        ::kill(pid, SIGKILL);
    ::close(sockets[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (done)
        return result;
    if (timedOut)
        return failure(sourceName, "the shader compiler did not finish within " + std::to_string(timeoutMs / 1000) +
                                       " s and was stopped");
    if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL)
        return failure(sourceName, "the shader compiler stopped on this source (signal " +
                                       std::to_string(WTERMSIG(status)) + ": " + ::strsignal(WTERMSIG(status)) + ")");
    return failure(sourceName, "the shader compiler ended without a result (exit status " +
                                   std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
}

int runHlslCompilerProcess(int fd)
{
    // A crash here is reported by the parent; it leaves no core file behind.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    const auto forever = Clock::time_point::max();
    bool timedOut = false;
    Message request;
    if (!readMessage(fd, request, forever, timedOut) || request.kind != 'R' || request.fields.size() != 4 ||
        request.fields[0].size() != 1)
        return 2;
    const char code = request.fields[0][0];
    const Stage stage = code == 'v' ? Stage::Vertex : code == 'c' ? Stage::Compute : Stage::Pixel;
    IncludeReader include = [&](const std::string& name, const std::string& includer, std::string& text) {
        Message answer;
        if (!sendMessage(fd, 'I', {name, includer}) || !readMessage(fd, answer, forever, timedOut))
            return false;
        if (answer.kind != 'F' || answer.fields.size() != 1)
            return false;
        text = std::move(answer.fields[0]);
        return true;
    };
    CompileResult r = compileHlslHere(request.fields[3], request.fields[1], request.fields[2], stage, include);
    std::string spirv(reinterpret_cast<const char*>(r.spirv.data()), r.spirv.size() * 4);
    return sendMessage(fd, 'D', {r.ok ? "1" : "0", r.log, spirv}) ? 0 : 1;
}

} // namespace Platform::Gpu
