// Writes the project the page benchmarks use, as a project file, for
// benchmarks that time whole processes: bench_WriteBenchProject PROMOS FILE.set
#include <cstdlib>
#include <iostream>
#include <string>

#include "bench/BenchProject.h"
#include "project/ProjectFile.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: " << argv[0] << " PROMOS FILE.set\n";
    return 2;
  }
  velmora::Project project = velmora::bench::ProjectOf(std::strtoul(argv[1], nullptr, 10));
  project.Template = "aurora";
  if (auto saved = velmora::SaveProjectFile(argv[2], project); !saved) {
    std::cerr << saved.error().message << "\n";
    return 1;
  }
  return 0;
}
