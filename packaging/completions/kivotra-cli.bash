# bash completion for kivotra-cli

_kivotra_cli() {
  local cur prev words cword
  _init_completion || return

  if [[ $cword -eq 1 ]]; then
    COMPREPLY=($(compgen -W 'probe compress --help --version' -- "$cur"))
    return
  fi

  case $prev in
    --resolution)
      COMPREPLY=($(compgen -W '720P 1080P 2K 4K' -- "$cur"))
      return ;;
    --fit)
      COMPREPLY=($(compgen -W 'keep crop pad' -- "$cur"))
      return ;;
    --output-dir)
      _filedir -d
      return ;;
    --fps | --bitrate | --target-size)
      return ;;
  esac

  if [[ $cur == -* ]]; then
    case ${words[1]} in
      probe) COMPREPLY=($(compgen -W '--json --help' -- "$cur")) ;;
      compress)
        COMPREPLY=($(compgen -W '--resolution --fps --bitrate --target-size --fit --upscale
          --output-dir --json --help' -- "$cur")) ;;
    esac
    return
  fi

  case ${words[1]} in
    probe | compress) _filedir '@(mov|mp4|m4v)' ;;
  esac
}
complete -F _kivotra_cli kivotra-cli
