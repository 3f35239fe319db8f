# bash completion for tuneprune

_tuneprune()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --base)
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        --from-list)
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W "m3u8" -- "$cur"))
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--list --delete --trash --base -0 --null --format=m3u8 --from-list --yes
            --even-if-nothing-matches --remove-empty-folders --all-audio --help --version" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -X '!*.@(m3u|M3U|m3u8|M3U8|xspf|XSPF|pls|PLS|wpl|WPL|asx|ASX|b4s|B4S|xml|XML)' -- "$cur")
               $(compgen -d -- "$cur"))
}
complete -o filenames -F _tuneprune tuneprune
