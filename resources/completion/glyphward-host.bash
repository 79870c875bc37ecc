# bash completion for glyphward-host
_glyphward_host()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --root|--snapshots)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --script|--record)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --lang)
            COMPREPLY=($(compgen -W "en zh-Hans" -- "$cur"))
            return ;;
        --screen)
            COMPREPLY=($(compgen -W "320x568@2 375x667@2 390x844@3 414x896@3" -- "$cur"))
            return ;;
        --zoom|--epoch)
            return ;;
    esac
    COMPREPLY=($(compgen -W "--root --screen --zoom --lang --headless --snapshots --script --epoch
        --no-tweaks --record --force --print-root --help --version" -- "$cur"))
}
complete -F _glyphward_host glyphward-host
