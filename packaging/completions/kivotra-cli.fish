# fish completion for kivotra-cli

set -l commands probe compress
complete -c kivotra-cli -f
complete -c kivotra-cli -n "not __fish_seen_subcommand_from $commands" -a probe -d 'Read duration, size, frame rate and sound'
complete -c kivotra-cli -n "not __fish_seen_subcommand_from $commands" -a compress -d 'Compress into H.264 MP4'
complete -c kivotra-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c kivotra-cli -s h -l help -d 'Show the usage'

complete -c kivotra-cli -n "__fish_seen_subcommand_from $commands" -l json -d 'One JSON object per file'
complete -c kivotra-cli -n "__fish_seen_subcommand_from compress" -l resolution -x -a '720P 1080P 2K 4K' -d 'Resolution tier'
complete -c kivotra-cli -n "__fish_seen_subcommand_from compress" -l fps -x -d 'Frame rate, 0 keeps the source\'s'
complete -c kivotra-cli -n "__fish_seen_subcommand_from compress" -l bitrate -x -d 'Video bitrate in kbit/s'
complete -c kivotra-cli -n "__fish_seen_subcommand_from compress" -l target-size -x -d 'Keep each output at or under this size (25M, 500K)'
complete -c kivotra-cli -n "__fish_seen_subcommand_from compress" -l fit -x -a 'keep crop pad' -d 'Picture shape'
complete -c kivotra-cli -n "__fish_seen_subcommand_from compress" -l upscale -d 'Also enlarge smaller videos'
complete -c kivotra-cli -n "__fish_seen_subcommand_from compress" -l output-dir -x -a '(__fish_complete_directories)' -d 'Folder for the outputs'

# Videos and folders only, whatever the case of the suffix.
function __kivotra_cli_videos
    __fish_complete_path (commandline -ct) | string match -ri -- '^.*(?:\.mov|\.mp4|\.m4v|/)(?:\t.*)?$'
end
complete -c kivotra-cli -n "__fish_seen_subcommand_from $commands" -a '(__kivotra_cli_videos)'
