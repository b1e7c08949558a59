#include "processing/output/output_plan.h"

#include "processing/output/output_format.h"
#include "runtime/fs/paths.h"

namespace tesselon {

std::string sourceRootOf(const STRProcesosEntorno& env) {
    return withTrailingSeparator(env.LocalRemoto == "L" ? env.RutaOrigenLocal : env.RutaEnLocalDeRemotoDescargadas);
}

std::string sourcePathOf(const STRProcesosEntorno& env, const SourceImageEntry& entry) {
    if (env.LocalRemoto == "L") return entry.path;
    std::string_view remote = entry.path;
    if (remote.size() > 1 && remote.front() == '/') remote.remove_prefix(1);
    return withTrailingSeparator(env.RutaEnLocalDeRemotoDescargadas) + std::string(remote);
}

std::string destinationFolderFor(std::string_view sourcePath, std::string_view sourceRoot,
                                 std::string_view destination) {
    const std::string root = withTrailingSeparator(sourceRoot);
    const std::string target = withTrailingSeparator(destination);
    if (!root.empty() && sourcePath.substr(0, root.size()) == root) {
        return folderOfPath(target + std::string(sourcePath.substr(root.size())));
    }
    return target;
}

OutputPlan planOutput(const STRProcesosEntorno& env, const SourceImageEntry& entry,
                      std::string_view temporaryFolder, bool preview) {
    OutputPlan plan;
    plan.overwrite = env.imagenesSobreescribir != 0;
    plan.preview = preview;
    plan.sourcePath = sourcePathOf(env, entry);
    plan.sourceRoot = sourceRootOf(env);
    plan.destinationFolder = destinationFolderFor(plan.sourcePath, plan.sourceRoot, env.RutaImagenesDestino);
    plan.outputPath = plan.overwrite ? entry.path : plan.destinationFolder + nameOfPath(plan.sourcePath);

    const OutputFormat format = outputFormatFor(env.FormatoImagen, plan.sourcePath);
    plan.extension = format.extension;
    plan.format = format.format;
    plan.formatSubstituted = format.substituted;
    plan.quality = env.CalidadGrabacion;

    if (preview) {
        plan.savePath = replaceExtension(withTrailingSeparator(temporaryFolder) + nameOfPath(plan.outputPath),
                                         plan.extension);
    } else if (plan.overwrite) {
        plan.savePath = plan.sourcePath;
    } else {
        plan.savePath = replaceExtension(plan.outputPath, plan.extension);
    }
    return plan;
}

}  // namespace tesselon
